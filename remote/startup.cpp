// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "startup.h"

#include "keysender.h"
#include "remotedevicemodel.h"
#include "remotelog.h"
#include "settings.h"

#include <QHostAddress>
#include <QQmlContext>
#include <QtGlobal>

void restoreDevice(Settings &settings, KeySender &keySender, const QStringList &arguments)
{
    QString address = settings.lastDeviceIp();
    if (arguments.size() > 1) {
        const QString argument = arguments.at(1);
        if (QHostAddress(argument).isNull()) {
            qCWarning(lcRemote, "Ignoring device argument \"%s\": not an IP address",
                      argument.toLocal8Bit().constData());
        } else {
            address = argument;
            if (argument != settings.lastDeviceIp()) {
                settings.setLastDeviceIp(argument);
                settings.setLastDeviceName(QString()); // the old name belonged to another box
            }
        }
    }
    // The host first: setting it clears the name.
    keySender.setHost(address);
    keySender.setDeviceName(settings.lastDeviceName());
}

void publishScene(QQmlContext *context, Settings *settings, KeySender *keySender,
                  QObject *discoveryService, RemoteDeviceModel *remoteDeviceModel)
{
    context->setContextProperty(QStringLiteral("settings"), settings);
    context->setContextProperty(QStringLiteral("keySender"), keySender);
    context->setContextProperty(QStringLiteral("discoveryService"), discoveryService);
    context->setContextProperty(QStringLiteral("remoteDeviceModel"), remoteDeviceModel);
}
