// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Norplay's entry routine: switches, identity, the back-end objects in their fixed order, the
// Qt Quick scene inside the main window, and the event loop.
#include "applog.h"
#include "deviceidentity.h"
#include "discoveryservice.h"
#include "libraryfiltermodel.h"
#include "librarymodel.h"
#include "mainwindow.h"
#include "playlistgenerator.h"
#include "recordingstate.h"
#include "remotecontrollauncher.h"
#include "remotedevicemodel.h"
#include "remotedownload.h"
#include "remoteplayback.h"
#include "remoterecordingsfiltermodel.h"
#include "remoterecordingsmodel.h"
#include "scenewiring.h"
#include "selftest.h"
#include "settings.h"
#include "vlcplayer.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QQmlEngine>
#include <QQuickStyle>
#include <QQuickWidget>
#include <cstring>

#ifdef Q_OS_WIN
#include <cstdio>
#include <windows.h>
#endif

// The scene's module "Norplay" is a static library without a plugin; its generated registration
// makes the module's C++ types known to the engine.
void qml_register_types_Norplay();

namespace {

// Output of a windowed program goes nowhere on Windows; with a parent console it goes there.
// Elsewhere a program started from a terminal already writes to it.
void attachParentConsole()
{
#ifdef Q_OS_WIN
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        FILE *stream = nullptr;
        freopen_s(&stream, "CONOUT$", "w", stdout);
        freopen_s(&stream, "CONOUT$", "w", stderr);
    }
#endif
}

// Setting a style that is not installed would leave every control without a style; such
// platforms keep their default style.
void setPreferredStyle(const QString &style)
{
    // Qt's own QML folder, and the "qml" folder a deployed program carries next to itself.
    const QStringList importRoots{QLibraryInfo::path(QLibraryInfo::QmlImportsPath),
                                  QCoreApplication::applicationDirPath() + QStringLiteral("/qml")};
    for (const QString &root : importRoots) {
        if (QDir(root).exists(QStringLiteral("QtQuick/Controls/") + style)) {
            QQuickStyle::setStyle(style);
            return;
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Log lines read as they always have, without the name of their area in front; a user who
    // wants the area sets QT_MESSAGE_PATTERN, which takes precedence.
    qSetMessagePattern(QStringLiteral("%{message}"));

    bool selfTest = false;
    bool console = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--selftest") == 0)
            selfTest = true;
        else if (std::strcmp(argv[i], "--console") == 0)
            console = true;
    }
    if (selfTest || console)
        attachParentConsole();
    if (selfTest)
        return runSelfTest();

    QCoreApplication::setOrganizationName(QStringLiteral("Norvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Norplay"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));
    setPreferredStyle(QStringLiteral("FluentWinUI3"));

    const int fontId = QFontDatabase::addApplicationFont(
        QStringLiteral(":/qml/fonts/MaterialSymbolsRounded-Regular.ttf"));
    if (fontId < 0)
        qCWarning(lcApp,
                  "Failed to load Material Symbols Rounded — icon glyphs will fall back to system "
                  "substitution");
    else
        qCDebug(lcApp) << "Loaded Material Symbols Rounded:"
                       << QFontDatabase::applicationFontFamilies(fontId);

    // The back end, each object once, in this order; destroyed in reverse when main returns.
    Settings settings;

    MainWindow mainWindow;
    mainWindow.setWindowTitle(QStringLiteral("Norplay"));

    VlcPlayer player;

    LibraryModel libraryModel;
    connectToSettings(settings, libraryModel);

    LibraryFilterModel libraryFilter;
    connectToSettings(settings, libraryFilter, libraryModel);

    PlaylistGenerator playlistGenerator;
    QObject::connect(&playlistGenerator, &PlaylistGenerator::finished, &playlistGenerator,
                     [](bool ok, const QString &path, const QString &error) {
                         if (!ok)
                             qCWarning(lcApp)
                                 << "PlaylistGenerator failed for" << path << ":" << error;
                     });

    RecordingState recordingState(&player);

    DeviceIdentity deviceIdentity;

    DiscoveryService discoveryService(&deviceIdentity);

    RemoteDeviceModel remoteDeviceModel;
    QObject::connect(&discoveryService, &DiscoveryService::finished, &remoteDeviceModel,
                     &RemoteDeviceModel::setDevices);

    RemoteRecordingsModel remoteRecordingsModel(&deviceIdentity);

    RemoteRecordingsFilterModel remoteRecordingsFilter;
    connectToSettings(settings, remoteRecordingsFilter, remoteRecordingsModel);

    RemotePlayback remotePlayback(&player, &deviceIdentity);
    connectToRecordings(remotePlayback, remoteRecordingsModel);

    RemoteDownload remoteDownload(&deviceIdentity, &settings);
    connectToLibrary(remoteDownload, libraryModel);

    // The scene.
    qml_register_types_Norplay();
    auto *view = new QQuickWidget;
    view->setResizeMode(QQuickWidget::SizeRootObjectToView);
    view->setAttribute(Qt::WA_Hover);
    publishSceneObjects(view->engine()->rootContext(),
                        {&player, &settings, &mainWindow, &libraryModel, &libraryFilter,
                         &playlistGenerator, &recordingState, &discoveryService, &remoteDeviceModel,
                         &deviceIdentity, &remoteRecordingsModel, &remoteRecordingsFilter,
                         &remotePlayback, &remoteDownload});
    view->setSource(QUrl(QStringLiteral("qrc:/qml/Main.qml")));

    mainWindow.setCentralWidget(view);

    RemoteControlLauncher remoteControl(RemoteControlLauncher::defaultProgramPath());
    // Norremote is started for the box whose recordings were loaded last, if any.
    mainWindow.buildMenus(&settings, &player, remoteControl.isAvailable(),
                          [&remoteControl, &remoteRecordingsModel] {
                              remoteControl.launch(remoteRecordingsModel.host());
                          });
    enableWhileSessionActive(*mainWindow.disconnectAction(), remotePlayback);

    mainWindow.resize(1100, 619 + mainWindow.menuBar()->sizeHint().height());
    mainWindow.show();

    return app.exec();
}
