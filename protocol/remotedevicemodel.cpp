// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "remotedevicemodel.h"

#include "deviceidentity.h"
#include "svp.h"

#include <QCoreApplication>

#include <algorithm>

RemoteDeviceModel::RemoteDeviceModel(QObject *parent)
    : QAbstractListModel(parent)
{
    qRegisterMetaType<imgr::ImgrMsg>();
    qRegisterMetaType<QList<imgr::ImgrMsg>>();
}

int RemoteDeviceModel::count() const
{
    return int(m_devices.size());
}

int RemoteDeviceModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_devices.size());
}

QVariant RemoteDeviceModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_devices.size())
        return {};
    return roleValue(m_devices.at(index.row()), role);
}

QHash<int, QByteArray> RemoteDeviceModel::roleNames() const
{
    return {
        {NameRole, "name"},
        {DeviceIdRole, "deviceId"},
        {DeviceIdRawRole, "deviceIdRaw"},
        {IpRole, "ip"},
        {DeviceModelRole, "deviceModel"},
        {NumTunersRole, "numTuners"},
        {HasLibraryRole, "hasLibrary"},
        {HasTunerRole, "hasTuner"},
        {SubscriptionRole, "subscription"},
    };
}

bool RemoteDeviceModel::lessThan(const imgr::ImgrMsg &a, const imgr::ImgrMsg &b)
{
    const QString nameA = fixedText(a.name);
    const QString nameB = fixedText(b.name);
    if (nameA == nameB)
        return fixedText(a.id) < fixedText(b.id);
    const int collated = QString::localeAwareCompare(nameA, nameB);
    if (collated != 0)
        return collated < 0;
    // The collation ignores some characters (controls, soft hyphens), so different names can
    // collate equal. Ordering those by their code units keeps the order strict and weak, which
    // std::sort needs; otherwise equal names around such a look-alike leave their id order.
    return nameA < nameB;
}

void RemoteDeviceModel::setDevices(QList<imgr::ImgrMsg> devices)
{
    beginResetModel();
    m_devices = std::move(devices);
    std::sort(m_devices.begin(), m_devices.end(), &RemoteDeviceModel::lessThan);
    endResetModel();
    emit countChanged();
}

QVariantMap RemoteDeviceModel::deviceAt(int row) const
{
    QVariantMap map;
    if (row < 0 || row >= m_devices.size())
        return map;
    const auto names = roleNames();
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        map.insert(QString::fromLatin1(it.value()), roleValue(m_devices.at(row), it.key()));
    return map;
}

QVariant RemoteDeviceModel::roleValue(const imgr::ImgrMsg &device, int role) const
{
    switch (role) {
    case NameRole:
        return fixedText(device.name);
    case DeviceIdRole:
        return DeviceIdentity::groupId(fixedText(device.id));
    case DeviceIdRawRole:
        return fixedText(device.id);
    case IpRole:
        return fixedText(device.ip);
    case DeviceModelRole:
        return fixedText(device.model);
    case NumTunersRole:
        return int(device.numTuners);
    case HasLibraryRole:
        return bool(device.flags & imgr::IMGR_FLAG_LIBRARY);
    case HasTunerRole:
        return bool(device.flags & imgr::IMGR_FLAG_TUNER);
    case SubscriptionRole:
        return device.subscription != 0;
    default:
        return {};
    }
}

QString RemoteDeviceModel::tunerLabel(int numTuners) const
{
    return editionLabel(numTuners);
}

QString RemoteDeviceModel::editionLabel(int numTuners)
{
    switch (numTuners) {
    case 0:
        return QStringLiteral("Norvale Vault");
    case 1:
        return QStringLiteral("Norvale Solo");
    case 2:
        return QStringLiteral("Norvale Duo");
    case 4:
        return QStringLiteral("Norvale Quad");
    default:
        return QCoreApplication::translate("RemoteDeviceModel", "%1 Tuners").arg(numTuners);
    }
}
