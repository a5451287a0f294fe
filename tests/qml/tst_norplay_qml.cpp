// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Runs the scene's tst_*.qml files against the Norplay module of the build tree. The library
// context properties are the real models over fixture folders, and the network ones are the
// real network objects; the player, the main window and discovery are stand-ins (standins.h).
// The network views' tests also get stand-ins of the network objects, under names of their own,
// to hand to a view: they can be put into every state a box can bring about.
#include "deviceidentity.h"
#include "libraryfiltermodel.h"
#include "librarymodel.h"
#include "playlistgenerator.h"
#include "recordingstate.h"
#include "remotedevicemodel.h"
#include "remotedownload.h"
#include "remoteplayback.h"
#include "remoterecordingsfiltermodel.h"
#include "remoterecordingsmodel.h"
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
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtQuickTest>
#include <memory>

// Generated with the Norplay module; the program calls it too.
void qml_register_types_Norplay();

namespace {

// A port of 127.0.0.1 that nothing listens on: a connection there is refused at once.
quint16 freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress(QHostAddress::LocalHost), 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace

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
        m_noBoxPort = freeLoopbackPort();
        if (m_noBoxPort == 0)
            qFatal("no free port on the loopback interface");

        m_discovery = std::make_unique<DiscoveryStandIn>();
        m_remoteDeviceModel = std::make_unique<RemoteDeviceModel>();
        m_remoteRecordings = std::make_unique<RemoteRecordingsModel>(m_deviceIdentity.get());
        m_remoteFilter = std::make_unique<RemoteRecordingsFilterModel>();
        // The scene's player is a stand-in: this session never sees a media of its own.
        m_remotePlayback = std::make_unique<RemotePlayback>(nullptr, m_deviceIdentity.get());
        m_remoteDownload =
            std::make_unique<RemoteDownload>(m_deviceIdentity.get(), m_settings.get());

        // No box listens on the network objects' port: every request fails at once.
        m_remoteRecordings->setSvpPort(m_noBoxPort);
        m_remotePlayback->setSvpPort(m_noBoxPort);
        m_remoteDownload->setSvpPort(m_noBoxPort);

        // The same feeds as in the program.
        connectToSettings(*m_settings, *m_libraryModel);
        connectToSettings(*m_settings, *m_libraryFilter, *m_libraryModel);
        QObject::connect(m_discovery.get(), &DiscoveryStandIn::finished, m_remoteDeviceModel.get(),
                         &RemoteDeviceModel::setDevices);
        connectToSettings(*m_settings, *m_remoteFilter, *m_remoteRecordings);
        connectToRecordings(*m_remotePlayback, *m_remoteRecordings);
        connectToLibrary(*m_remoteDownload, *m_libraryModel);

        // The network views' stand-ins, with the real filter over the stand-in list.
        m_recordingsStandIn = std::make_unique<RemoteRecordingsStandIn>();
        m_filterOverStandIn = std::make_unique<RemoteRecordingsFilterModel>();
        m_filterOverStandIn->setSourceModel(m_recordingsStandIn.get());
        m_filterOverStandIn->setShowAtsc3(m_settings->showAtsc3());
        QObject::connect(m_settings.get(), &Settings::showAtsc3Changed, m_filterOverStandIn.get(),
                         [this] { m_filterOverStandIn->setShowAtsc3(m_settings->showAtsc3()); });
        m_playbackStandIn = std::make_unique<RemotePlaybackStandIn>();
        m_downloadStandIn = std::make_unique<RemoteDownloadStandIn>();
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        // The module as the program has it, found through the build tree's module folder.
        qml_register_types_Norplay();
        engine->addImportPath(QStringLiteral(NORPLAY_QML_IMPORT_DIR));
        QQmlContext *context = engine->rootContext();
        // The program's scene objects under the program's names. Discovery is a stand-in: the
        // scene's tests never sweep the machine's networks.
        publishSceneObjects(context,
                            {m_player.get(), m_settings.get(), m_mainWindow.get(),
                             m_libraryModel.get(), m_libraryFilter.get(), m_playlistGenerator.get(),
                             m_recordingState.get(), m_discovery.get(), m_remoteDeviceModel.get(),
                             m_deviceIdentity.get(), m_remoteRecordings.get(), m_remoteFilter.get(),
                             m_remotePlayback.get(), m_remoteDownload.get()});
        context->setContextProperty(QStringLiteral("fixtures"), m_fixtures.get());
        context->setContextProperty(QStringLiteral("standInRecordings"), m_recordingsStandIn.get());
        context->setContextProperty(QStringLiteral("standInRecordingsFilter"),
                                    m_filterOverStandIn.get());
        context->setContextProperty(QStringLiteral("standInPlayback"), m_playbackStandIn.get());
        context->setContextProperty(QStringLiteral("standInDownload"), m_downloadStandIn.get());
    }

    void cleanupTestCase()
    {
        quicktestsupport::releaseSceneGraphTextures();
        m_downloadStandIn.reset();
        m_playbackStandIn.reset();
        m_filterOverStandIn.reset();
        m_recordingsStandIn.reset();
        m_remoteDownload.reset();
        m_remotePlayback.reset();
        m_remoteFilter.reset();
        m_remoteRecordings.reset();
        m_remoteDeviceModel.reset();
        m_discovery.reset();
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
    std::unique_ptr<DiscoveryStandIn> m_discovery;
    std::unique_ptr<RemoteDeviceModel> m_remoteDeviceModel;
    std::unique_ptr<RemoteRecordingsModel> m_remoteRecordings;
    std::unique_ptr<RemoteRecordingsFilterModel> m_remoteFilter;
    std::unique_ptr<RemotePlayback> m_remotePlayback;
    std::unique_ptr<RemoteDownload> m_remoteDownload;
    std::unique_ptr<RemoteRecordingsStandIn> m_recordingsStandIn;
    std::unique_ptr<RemoteRecordingsFilterModel> m_filterOverStandIn;
    std::unique_ptr<RemotePlaybackStandIn> m_playbackStandIn;
    std::unique_ptr<RemoteDownloadStandIn> m_downloadStandIn;
    quint16 m_noBoxPort = 0;
};

QUICK_TEST_MAIN_WITH_SETUP(norplay_qml, Setup)

#include "tst_norplay_qml.moc"
