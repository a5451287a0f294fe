// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Runs the scene's tst_*.qml files against the Norplay module of the build tree. The library
// context properties are the real models over fixture folders; the player and the main window
// are stand-ins (standins.h).
#include "deviceidentity.h"
#include "libraryfiltermodel.h"
#include "librarymodel.h"
#include "playlistgenerator.h"
#include "recordingstate.h"
#include "remotedevicemodel.h"
#include "scenegraphcleanup.h"
#include "scenewiring.h"
#include "settings.h"
#include "standins.h"
#include "vlcplayer.h"
#include "vlcvideoitem.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QTemporaryDir>
#include <QtQuickTest>
#include <memory>

// Generated with the Norplay module; the program calls it too.
void qml_register_types_Norplay();

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        // Settings of the test run stay in a folder of their own.
        QCoreApplication::setOrganizationName(QStringLiteral("Norvale"));
        QCoreApplication::setApplicationName(QStringLiteral("NorplayQmlTest"));
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_configDir.path());
        QSettings().clear();

        // The icon font, as the program registers it at start-up.
        if (QFontDatabase::addApplicationFont(
                QStringLiteral(":/qml/fonts/MaterialSymbolsRounded-Regular.ttf")) < 0)
            qWarning("the icon font did not load; glyphs show as boxes");

        m_fixtures = std::make_unique<LibraryFixtures>();
        if (!m_fixtures->error().isEmpty())
            qFatal("fixture folders: %s", qPrintable(m_fixtures->error()));

        m_settings = std::make_unique<Settings>();
        m_mainWindow = std::make_unique<MainWindowStandIn>();
        m_player = std::make_unique<PlayerStandIn>();
        m_libraryModel = std::make_unique<LibraryModel>();
        m_libraryFilter = std::make_unique<LibraryFilterModel>();
        m_playlistGenerator = std::make_unique<PlaylistGenerator>();
        m_recordingState = std::make_unique<RecordingState>(nullptr);
        m_deviceIdentity = std::make_unique<DeviceIdentity>();
        m_remoteDeviceModel = std::make_unique<RemoteDeviceModel>();

        // The same feeds as in the program: settings drive the model's root and the filter.
        connectToSettings(*m_settings, *m_libraryModel);
        connectToSettings(*m_settings, *m_libraryFilter, *m_libraryModel);
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        // The module as the program has it, found through the build tree's module folder.
        qml_register_types_Norplay();
        engine->addImportPath(QStringLiteral(NORPLAY_QML_IMPORT_DIR));
        QQmlContext *context = engine->rootContext();
        // The program's scene objects under the program's names. No discovery service: the
        // scene's tests never sweep the machine's networks.
        publishSceneObjects(context, {m_player.get(), m_settings.get(), m_mainWindow.get(),
                                      m_libraryModel.get(), m_libraryFilter.get(),
                                      m_playlistGenerator.get(), m_recordingState.get(), nullptr,
                                      m_remoteDeviceModel.get(), m_deviceIdentity.get()});
        context->setContextProperty(QStringLiteral("fixtures"), m_fixtures.get());
    }

    void cleanupTestCase()
    {
        quicktestsupport::releaseSceneGraphTextures();
        m_remoteDeviceModel.reset();
        m_deviceIdentity.reset();
        m_recordingState.reset();
        m_playlistGenerator.reset();
        m_libraryFilter.reset();
        m_libraryModel.reset();
        m_player.reset();
        m_mainWindow.reset();
        m_settings.reset();
        m_fixtures.reset();
    }

private:
    QTemporaryDir m_configDir;
    std::unique_ptr<LibraryFixtures> m_fixtures;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<MainWindowStandIn> m_mainWindow;
    std::unique_ptr<PlayerStandIn> m_player;
    std::unique_ptr<LibraryModel> m_libraryModel;
    std::unique_ptr<LibraryFilterModel> m_libraryFilter;
    std::unique_ptr<PlaylistGenerator> m_playlistGenerator;
    std::unique_ptr<RecordingState> m_recordingState;
    std::unique_ptr<DeviceIdentity> m_deviceIdentity;
    std::unique_ptr<RemoteDeviceModel> m_remoteDeviceModel;
};

QUICK_TEST_MAIN_WITH_SETUP(norplay_qml, Setup)

#include "tst_norplay_qml.moc"
