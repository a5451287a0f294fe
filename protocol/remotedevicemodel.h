// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The boxes found by the last discovery sweep, sorted by name, for the device lists.
#pragma once

#include "imgr.h"

#include <QAbstractListModel>
#include <QList>
#include <QVariantMap>

class RemoteDeviceModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        NameRole = Qt::UserRole + 1,
        DeviceIdRole,
        DeviceIdRawRole,
        IpRole,
        DeviceModelRole,
        NumTunersRole,
        HasLibraryRole,
        HasTunerRole,
        SubscriptionRole,
    };

    explicit RemoteDeviceModel(QObject *parent = nullptr);

    int count() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Whether `a` sorts before `b`: by name (locale collation, then code units where the
    // collation finds different names equal), equal names by id.
    static bool lessThan(const imgr::ImgrMsg &a, const imgr::ImgrMsg &b);

signals:
    void countChanged();

public slots:
    void setDevices(QList<imgr::ImgrMsg> devices);

public:
    Q_INVOKABLE QVariantMap deviceAt(int row) const;

    // The edition label of a box with `numTuners` tuners, as both programs' device lists show it
    // (zero is a real count: the box that only keeps a library).
    Q_INVOKABLE QString tunerLabel(int numTuners) const;
    static QString editionLabel(int numTuners);

private:
    QVariant roleValue(const imgr::ImgrMsg &device, int role) const;

    QList<imgr::ImgrMsg> m_devices;
};
