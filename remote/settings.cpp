// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "settings.h"

#include "storedsetting.h"

namespace {
const QString kLastDeviceIp = QStringLiteral("lastDeviceIp");
const QString kLastDeviceName = QStringLiteral("lastDeviceName");
} // namespace

Settings::Settings(QObject *parent)
    : QObject(parent)
{}

QString Settings::lastDeviceIp() const
{
    return storedsetting::read(kLastDeviceIp).toString();
}

void Settings::setLastDeviceIp(const QString &ip)
{
    if (storedsetting::writeIfChanged(kLastDeviceIp, lastDeviceIp(), ip))
        emit lastDeviceIpChanged();
}

QString Settings::lastDeviceName() const
{
    return storedsetting::read(kLastDeviceName).toString();
}

void Settings::setLastDeviceName(const QString &name)
{
    if (storedsetting::writeIfChanged(kLastDeviceName, lastDeviceName(), name))
        emit lastDeviceNameChanged();
}
