// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Norremote's entry routine: identity, icon font, the chosen box, the back-end objects, the scene
// and the event loop.
#include "deviceidentity.h"
#include "discoveryservice.h"
#include "keysender.h"
#include "remotedevicemodel.h"
#include "remotelog.h"
#include "settings.h"
#include "startup.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickStyle>
#include <QtQml/QQmlExtensionPlugin>

#include <memory>

Q_IMPORT_QML_PLUGIN(NorremotePlugin)

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    // Log lines read as they always have, without the name of their area in front; a user who
    // wants the area sets QT_MESSAGE_PATTERN, which takes precedence.
    qSetMessagePattern(QStringLiteral("%{message}"));

    QCoreApplication::setOrganizationName(QStringLiteral("Norvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Norremote"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));
    QQuickStyle::setStyle(QStringLiteral("Basic"));

    if (QFontDatabase::addApplicationFont(
            QStringLiteral(":/qml/fonts/MaterialSymbolsRounded-Regular.ttf")) < 0)
        qCWarning(lcRemote, "Failed to register Material Symbols Rounded font");

    // The back end, in this order; the engine goes first when main returns, then the rest in
    // reverse.
    auto settings = std::make_unique<Settings>();
    auto keySender = std::make_unique<KeySender>();
    restoreDevice(*settings, *keySender, QCoreApplication::arguments());

    auto identity = std::make_unique<DeviceIdentity>();
    auto discovery =
        std::make_unique<DiscoveryService>(identity.get(), DiscoveryService::Client::Norremote);
    auto devices = std::make_unique<RemoteDeviceModel>();
    QObject::connect(discovery.get(), &DiscoveryService::finished, devices.get(),
                     &RemoteDeviceModel::setDevices);

    auto engine = std::make_unique<QQmlApplicationEngine>();
    publishScene(engine->rootContext(), settings.get(), keySender.get(), discovery.get(),
                 devices.get());
    QObject::connect(
        engine.get(), &QQmlApplicationEngine::objectCreationFailed, &app,
        [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine->load(QUrl(QStringLiteral("qrc:/qml/Norremote/Main.qml")));

    const int result = QGuiApplication::exec();
    engine.reset();
    devices.reset();
    discovery.reset();
    identity.reset();
    keySender.reset();
    settings.reset();
    return result;
}
