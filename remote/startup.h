// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The parts of Norremote's start-up that tests run too: which box the key sender starts with,
// and the objects the scene sees.
#pragma once

#include <QStringList>

class KeySender;
class QObject;
class QQmlContext;
class RemoteDeviceModel;
class Settings;

// The box to control: the stored one, or the first command-line argument (the program name
// comes first in `arguments`) when it is an IP address. A new address replaces the stored one and
// clears the stored name; an argument that is not an address is reported and ignored.
void restoreDevice(Settings &settings, KeySender &keySender, const QStringList &arguments);

// Publishes the scene's context properties, in their fixed order. The scene uses the discovery
// service's `scanning` and `refresh()` only, so the QML tests hand in a stand-in that never
// broadcasts.
void publishScene(QQmlContext *context, Settings *settings, KeySender *keySender,
                  QObject *discoveryService, RemoteDeviceModel *remoteDeviceModel);
