// Runs the scene's tst_*.qml files against the Norplay module of the build tree. The library
// context properties are the real models over fixture folders; the player and the main window
// are stand-ins (standins.h).
#include "libraryfiltermodel.h"
#include "librarymodel.h"
#include "playlistgenerator.h"
#include "recordingstate.h"
#include "settings.h"
#include "standins.h"
#include "vlcplayer.h"
#include "vlcvideoitem.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtQuickTest>
#include <memory>

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

        // The same feeds as in the program: settings drive the model's root and the filter.
        m_libraryFilter->setSourceModel(m_libraryModel.get());
        m_libraryModel->setLibraryRoot(m_settings->libraryRoot());
        m_libraryFilter->setShowAtsc3(m_settings->showAtsc3());
        Settings *settings = m_settings.get();
        LibraryModel *model = m_libraryModel.get();
        LibraryFilterModel *filter = m_libraryFilter.get();
        QObject::connect(settings, &Settings::libraryRootChanged, model,
                         [settings, model] { model->setLibraryRoot(settings->libraryRoot()); });
        QObject::connect(settings, &Settings::showAtsc3Changed, filter,
                         [settings, filter] { filter->setShowAtsc3(settings->showAtsc3()); });
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral(NORPLAY_QML_IMPORT_DIR));
        // The program registers the video item with its module; the runner does the same.
        qmlRegisterType<VlcVideoItem>("Norplay", 1, 0, "VlcVideoItem");
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("bridge"), m_player.get());
        context->setContextProperty(QStringLiteral("settings"), m_settings.get());
        context->setContextProperty(QStringLiteral("mainWindow"), m_mainWindow.get());
        context->setContextProperty(QStringLiteral("libraryModel"), m_libraryModel.get());
        context->setContextProperty(QStringLiteral("libraryFilter"), m_libraryFilter.get());
        context->setContextProperty(QStringLiteral("playlistGenerator"), m_playlistGenerator.get());
        context->setContextProperty(QStringLiteral("recordingState"), m_recordingState.get());
        context->setContextProperty(QStringLiteral("fixtures"), m_fixtures.get());
    }

    void cleanupTestCase()
    {
        releaseSceneGraphTextures();
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
    // Offscreen, Qt Quick draws with its software scene graph, which deletes the texture made for
    // an image only at a frame rendered after the image has left Qt's pixmap cache. Each test
    // file's window is gone by now and nothing renders again, so the textures of the images
    // shown last would still be held at exit, where the leak checker reports them. One frame of
    // a window of our own after a purge of the cache lets the scene graph delete them.
    static void releaseSceneGraphTextures()
    {
        QQuickWindow window;
        window.resize(16, 16);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            qWarning("no frame for releasing the scene graph's textures");
            return;
        }
        window.releaseResources(); // also purges the pixmap cache
        QSignalSpy swapped(&window, &QQuickWindow::frameSwapped);
        window.update();
        if (!swapped.wait(5000))
            qWarning("no frame for releasing the scene graph's textures");
    }

    QTemporaryDir m_configDir;
    std::unique_ptr<LibraryFixtures> m_fixtures;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<MainWindowStandIn> m_mainWindow;
    std::unique_ptr<PlayerStandIn> m_player;
    std::unique_ptr<LibraryModel> m_libraryModel;
    std::unique_ptr<LibraryFilterModel> m_libraryFilter;
    std::unique_ptr<PlaylistGenerator> m_playlistGenerator;
    std::unique_ptr<RecordingState> m_recordingState;
};

QUICK_TEST_MAIN_WITH_SETUP(norplay_qml, Setup)

#include "tst_norplay_qml.moc"
