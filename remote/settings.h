// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QObject>
#include <QString>

// Norremote's persisted settings: the box chosen last. Keeps no copy of any value; every read and
// every write goes through a fresh QSettings under the program's own name.
class Settings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        QString lastDeviceIp READ lastDeviceIp WRITE setLastDeviceIp NOTIFY lastDeviceIpChanged)
    Q_PROPERTY(QString lastDeviceName READ lastDeviceName WRITE setLastDeviceName NOTIFY
                   lastDeviceNameChanged)

public:
    explicit Settings(QObject *parent = nullptr);

    QString lastDeviceIp() const;
    void setLastDeviceIp(const QString &ip);

    QString lastDeviceName() const;
    void setLastDeviceName(const QString &name);

signals:
    void lastDeviceIpChanged();
    void lastDeviceNameChanged();
};
