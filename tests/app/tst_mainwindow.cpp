// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "mainwindow.h"
#include "settings.h"
#include "vlcplayer.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// A shown, active window at a known place, with its menus built against a real player.
struct Fixture
{
    Settings settings;
    VlcPlayer player;
    MainWindow window;
    int launches = 0;

    explicit Fixture(QWidget *central = nullptr, bool remoteControlAvailable = false)
    {
        if (central)
            window.setCentralWidget(central);
        window.buildMenus(&settings, &player, remoteControlAvailable, [this] { ++launches; });
        window.setGeometry(100, 100, 640, 400);
        window.show();
        window.activateWindow();
    }

    bool ready() { return QTest::qWaitForWindowActive(&window); }
};

QMenu *menuTitled(MainWindow &window, const char *utf8Title)
{
    const QString title = QString::fromUtf8(utf8Title);
    const QList<QAction *> menus = window.menuBar()->actions();
    for (QAction *action : menus) {
        if (action->text() == title)
            return action->menu();
    }
    return nullptr;
}

QAction *itemTitled(QMenu *menu, const char *utf8Text)
{
    const QString text = QString::fromUtf8(utf8Text);
    if (!menu)
        return nullptr;
    const QList<QAction *> items = menu->actions();
    for (QAction *action : items) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

QStringList strings(std::initializer_list<const char *> utf8)
{
    QStringList out;
    for (const char *text : utf8)
        out << QString::fromUtf8(text);
    return out;
}

QStringList texts(const QList<QAction *> &actions)
{
    QStringList out;
    for (const QAction *action : actions)
        out << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return out;
}

// Answers the next modal file dialog: `choose` gets the dialog and decides what to do with it.
void answerFileDialog(const std::function<void(QFileDialog *)> &choose)
{
    auto *poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, choose] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        choose(dialog);
    });
    poll->start();
}

// Three audio tracks with titles, no video: libvlc then opens no window of its own.
QString makeThreeTrackMedia(const QString &dir)
{
    const QString path = dir + QStringLiteral("/tracks.mka");
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {QStringLiteral("-hide_banner"),
                                            QStringLiteral("-loglevel"),
                                            QStringLiteral("error"),
                                            QStringLiteral("-f"),
                                            QStringLiteral("lavfi"),
                                            QStringLiteral("-i"),
                                            QStringLiteral("sine=frequency=440:duration=60"),
                                            QStringLiteral("-f"),
                                            QStringLiteral("lavfi"),
                                            QStringLiteral("-i"),
                                            QStringLiteral("sine=frequency=660:duration=60"),
                                            QStringLiteral("-f"),
                                            QStringLiteral("lavfi"),
                                            QStringLiteral("-i"),
                                            QStringLiteral("sine=frequency=880:duration=60"),
                                            QStringLiteral("-map"),
                                            QStringLiteral("0"),
                                            QStringLiteral("-map"),
                                            QStringLiteral("1"),
                                            QStringLiteral("-map"),
                                            QStringLiteral("2"),
                                            QStringLiteral("-c:a"),
                                            QStringLiteral("libvorbis"),
                                            QStringLiteral("-metadata:s:a:0"),
                                            QStringLiteral("title=English"),
                                            QStringLiteral("-metadata:s:a:1"),
                                            QStringLiteral("title=Spanish"),
                                            QStringLiteral("-metadata:s:a:2"),
                                            QStringLiteral("title=Commentary"),
                                            QStringLiteral("-y"),
                                            path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
        ffmpeg.exitCode() != 0) {
        qWarning() << "ffmpeg failed:" << ffmpeg.readAllStandardError();
        return QString();
    }
    return path;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menuBarLayout();
    void remoteControlItemFollowsAvailability_data();
    void remoteControlItemFollowsAvailability();

    void pointerActivityOnlyOnRealMovementInside_data();
    void pointerActivityOnlyOnRealMovementInside();
    void keyPressInWindowIsReportedAndDelivered();
    void keyPressInSceneIsReportedAndDelivered();
    void keyPressInOtherWindowIsNotReported();

    void blankCursorPushesAndPopsExactlyOne();
    void destroyingBlankWindowRestoresCursor();

    void windowKeys_data();
    void windowKeys();
    void keyActionsFollowEnablingRules_data();
    void keyActionsFollowEnablingRules();
    void fullScreenHidesMenuBarAndEveryWayOutShowsIt_data();
    void fullScreenHidesMenuBarAndEveryWayOutShowsIt();
    void menuKeysWorkWithTheMenuBarHidden();
    void typingKeysReachFocusedTextField();

    void showAtsc3FollowsSettingBothWays();
    void cancelledOpenDialogChangesNothing();
    void openDialogRemembersFolderAndOpensFile();

    void trackMenuFollowsRealMedia();

private:
    QTemporaryDir m_configDir;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(m_configDir.isValid());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Norvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Norplay"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_configDir.path());
    // No GPU here: the scene of the key test renders in software.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

void TestMainWindow::init()
{
    QSettings().clear();
    QCursor::setPos(0, 0);
}

void TestMainWindow::cleanup()
{
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestMainWindow::menuBarLayout()
{
    Fixture f;
    QCOMPARE(texts(f.window.menuBar()->actions()),
             strings({"&File", "&Video", "&Audio", "&Library", "&Help"}));
    QCOMPARE(texts(menuTitled(f.window, "&File")->actions()),
             strings({"&Open...", "-", "&Show ATSC-3", "-", "E&xit"}));
    QCOMPARE(texts(menuTitled(f.window, "&Video")->actions()), strings({"&Fullscreen"}));
    QCOMPARE(texts(menuTitled(f.window, "&Audio")->actions()), strings({"&Track"}));
    QCOMPARE(texts(menuTitled(f.window, "&Library")->actions()),
             strings({"&Local Recordings", "&Norvale Devices…", "-", "&Remote Control",
                      "&Disconnect from Norvale"}));
    QCOMPARE(texts(menuTitled(f.window, "&Help")->actions()), strings({"&Help...", "&About"}));

    QCOMPARE(itemTitled(menuTitled(f.window, "&File"), "&Open...")->shortcut(),
             QKeySequence(QKeySequence::Open));
    QCOMPARE(itemTitled(menuTitled(f.window, "&Help"), "&Help...")->shortcut(),
             QKeySequence(Qt::Key_F1));

    // Nothing loaded yet: no tracks, so the submenu is disabled rather than empty.
    QAction *track = itemTitled(menuTitled(f.window, "&Audio"), "&Track");
    QVERIFY(!track->isEnabled());

    QAction *disconnect = f.window.disconnectAction();
    QCOMPARE(disconnect, itemTitled(menuTitled(f.window, "&Library"), "&Disconnect from Norvale"));
    QVERIFY(!disconnect->isEnabled());

    // The menu items end in the same signals as the scene's buttons.
    QSignalSpy local(&f.window, &MainWindow::localLibraryRequested);
    QSignalSpy devices(&f.window, &MainWindow::devicesRequested);
    QSignalSpy help(&f.window, &MainWindow::helpRequested);
    QSignalSpy about(&f.window, &MainWindow::aboutRequested);
    itemTitled(menuTitled(f.window, "&Library"), "&Local Recordings")->trigger();
    itemTitled(menuTitled(f.window, "&Library"), "&Norvale Devices…")->trigger();
    itemTitled(menuTitled(f.window, "&Help"), "&About")->trigger();
    QVERIFY(f.ready());
    QTest::keyClick(&f.window, Qt::Key_F1);
    QCOMPARE(local.count(), 1);
    QCOMPARE(devices.count(), 1);
    QCOMPARE(help.count(), 1);
    QCOMPARE(about.count(), 1);
}

void TestMainWindow::remoteControlItemFollowsAvailability_data()
{
    QTest::addColumn<bool>("available");
    QTest::newRow("program present") << true;
    QTest::newRow("program absent") << false;
}

void TestMainWindow::remoteControlItemFollowsAvailability()
{
    QFETCH(bool, available);
    Fixture f(nullptr, available);
    QAction *remote = itemTitled(menuTitled(f.window, "&Library"), "&Remote Control");
    QVERIFY(remote);
    QCOMPARE(remote->isVisible(), available);
    if (available) {
        remote->trigger();
        remote->trigger();
        QCOMPARE(f.launches, 2); // the launcher itself decides whether a second start happens
    }
}

void TestMainWindow::pointerActivityOnlyOnRealMovementInside_data()
{
    // The window's client area is (100, 100) to (739, 499). Each row: where the cursor rests at
    // the start, a detour made and undone before the next poll, the moves made one poll apart,
    // and the activity expected in total.
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("detour");
    QTest::addColumn<QList<QPoint>>("moves");
    QTest::addColumn<int>("expected");

    const QPoint none;
    QTest::newRow("resting inside") << QPoint(300, 300) << none << QList<QPoint>{} << 0;
    QTest::newRow("one pixel inside") << QPoint(300, 300) << none << QList<QPoint>{{301, 300}} << 1;
    QTest::newRow("onto the corner") << QPoint(300, 300) << none << QList<QPoint>{{100, 100}} << 1;
    QTest::newRow("outside only") << QPoint(50, 50) << none << QList<QPoint>{{60, 50}, {800, 600}}
                                  << 0;
    QTest::newRow("leaving") << QPoint(300, 300) << none << QList<QPoint>{{20, 20}} << 0;
    QTest::newRow("in, out, in again")
        << QPoint(20, 20) << none << QList<QPoint>{{300, 300}, {20, 20}, {300, 300}} << 2;
    QTest::newRow("out and back between two polls")
        << QPoint(300, 300) << QPoint(900, 700) << QList<QPoint>{} << 0;
}

void TestMainWindow::pointerActivityOnlyOnRealMovementInside()
{
    QFETCH(QPoint, start);
    QFETCH(QPoint, detour);
    QFETCH(QList<QPoint>, moves);
    QFETCH(int, expected);

    Fixture f;
    QVERIFY(f.ready());
    QCOMPARE(f.window.geometry(), QRect(100, 100, 640, 400));

    QCursor::setPos(start);
    QTest::qWait(MainWindow::PointerPollMs * 2); // the poll has seen the start
    QSignalSpy activity(&f.window, &MainWindow::pointerActivity);

    if (!detour.isNull()) {
        QCursor::setPos(detour);
        QCursor::setPos(start);
    }
    for (const QPoint &pos : moves) {
        QCursor::setPos(pos);
        QTest::qWait(MainWindow::PointerPollMs + 100);
    }
    QTest::qWait(MainWindow::PointerPollMs * 3); // resting: nothing more may come
    QCOMPARE(activity.count(), expected);
}

void TestMainWindow::keyPressInWindowIsReportedAndDelivered()
{
    auto *edit = new QLineEdit;
    Fixture f(edit);
    QVERIFY(f.ready());
    edit->setFocus();
    QSignalSpy activity(&f.window, &MainWindow::pointerActivity);

    QTest::keyClick(edit, Qt::Key_A);
    QVERIFY(activity.count() >= 1);
    QCOMPARE(edit->text(), QStringLiteral("a")); // not consumed on the way
}

void TestMainWindow::keyPressInSceneIsReportedAndDelivered()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString qml = dir.path() + QStringLiteral("/Scene.qml");
    {
        QFile file(qml);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("import QtQuick\n"
                   "Item {\n"
                   "    property var keys: []\n"
                   "    focus: true\n"
                   "    Keys.onPressed: (event) => { keys.push(event.key); keysChanged() }\n"
                   "}\n");
    }
    auto *view = new QQuickWidget;
    view->setResizeMode(QQuickWidget::SizeRootObjectToView);
    view->setAttribute(Qt::WA_Hover);
    view->setSource(QUrl::fromLocalFile(qml));
    QVERIFY2(view->rootObject(),
             qPrintable(view->errors().isEmpty() ? QString() : view->errors().first().toString()));
    Fixture f(view);
    QVERIFY(f.ready());
    view->setFocus();
    QTRY_VERIFY(view->rootObject()->hasActiveFocus());

    QSignalSpy activity(&f.window, &MainWindow::pointerActivity);
    QTest::keyClick(view, Qt::Key_B);
    QVERIFY(activity.count() >= 1);
    QCOMPARE(view->rootObject()->property("keys").toList(), QVariantList{int(Qt::Key_B)});
}

void TestMainWindow::keyPressInOtherWindowIsNotReported()
{
    Fixture f;
    QVERIFY(f.ready());
    QLineEdit other;
    other.setGeometry(800, 100, 200, 30);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QSignalSpy activity(&f.window, &MainWindow::pointerActivity);

    QTest::keyClick(&other, Qt::Key_A);
    QCOMPARE(other.text(), QStringLiteral("a"));
    QCOMPARE(activity.count(), 0);
}

void TestMainWindow::blankCursorPushesAndPopsExactlyOne()
{
    MainWindow window;
    QSignalSpy changed(&window, &MainWindow::blankCursorChanged);

    window.setBlankCursor(true);
    window.setBlankCursor(true);
    QCOMPARE(changed.count(), 1);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);

    window.setBlankCursor(false);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr); // one push, one pop

    window.setBlankCursor(false);
    QCOMPARE(changed.count(), 2);

    // Somebody else's override cursor survives our pops.
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    window.setBlankCursor(true);
    window.setBlankCursor(false);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QGuiApplication::restoreOverrideCursor();
}

void TestMainWindow::destroyingBlankWindowRestoresCursor()
{
    {
        MainWindow window;
        window.setBlankCursor(true);
        QVERIFY(QGuiApplication::overrideCursor());
    }
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestMainWindow::windowKeys_data()
{
    // Keys whose effect shows without a media. Each row: the key, the state of the enabling
    // inputs, and whether the key must take effect.
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("modalOpen");
    QTest::addColumn<bool>("textInputFocused");
    QTest::addColumn<bool>("takesEffect");

    const QList<std::pair<const char *, int>> keys = {
        {"F", Qt::Key_F},       {"Esc", Qt::Key_Escape}, {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down}, {"M", Qt::Key_M},
    };
    for (const auto &[name, key] : keys) {
        const bool isEsc = key == Qt::Key_Escape;
        QTest::addRow("%s, free", name) << key << false << false << true;
        QTest::addRow("%s, popup open", name) << key << true << false << !isEsc;
        QTest::addRow("%s, text field focused", name) << key << false << true << isEsc;
    }
}

void TestMainWindow::windowKeys()
{
    QFETCH(int, key);
    QFETCH(bool, modalOpen);
    QFETCH(bool, textInputFocused);
    QFETCH(bool, takesEffect);

    Fixture f;
    QVERIFY(f.ready());
    f.window.setModalOpen(modalOpen);
    f.window.setTextInputFocused(textInputFocused);

    QSignalSpy fullScreen(&f.window, &MainWindow::fullScreenChanged);
    QSignalSpy library(&f.window, &MainWindow::libraryToggleRequested);
    QSignalSpy activity(&f.window, &MainWindow::pointerActivity);
    const int volumeBefore = f.player.volume();
    const bool mutedBefore = f.player.muted();

    QTest::keyClick(&f.window, Qt::Key(key));

    switch (key) {
    case Qt::Key_F:
        QCOMPARE(f.window.fullScreen(), takesEffect);
        QCOMPARE(fullScreen.isEmpty(), !takesEffect);
        break;
    case Qt::Key_Escape:
        QCOMPARE(library.count(), takesEffect ? 1 : 0);
        break;
    case Qt::Key_Up:
        QCOMPARE(f.player.volume(), takesEffect ? volumeBefore + 5 : volumeBefore);
        break;
    case Qt::Key_Down:
        QCOMPARE(f.player.volume(), takesEffect ? volumeBefore - 5 : volumeBefore);
        break;
    case Qt::Key_M:
        QCOMPARE(f.player.muted(), takesEffect ? !mutedBefore : mutedBefore);
        break;
    }
    // Every key action but Esc also counts as activity; the Esc action does not reveal the
    // controls. (A disabled action lets the key through to the window: that press is activity.)
    if (takesEffect)
        QCOMPARE(activity.isEmpty(), key == Qt::Key_Escape);

    // Enabling follows the inputs both ways.
    f.window.setModalOpen(false);
    f.window.setTextInputFocused(false);
    library.clear();
    if (key == Qt::Key_Escape) {
        QTest::keyClick(&f.window, Qt::Key_Escape);
        QCOMPARE(library.count(), 1);
    }
}

void TestMainWindow::keyActionsFollowEnablingRules_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("followsModal");
    QTest::addColumn<bool>("followsTextFocus");
    QTest::newRow("Esc") << int(Qt::Key_Escape) << true << false;
    const QList<std::pair<const char *, int>> typing = {
        {"F", Qt::Key_F},         {"Space", Qt::Key_Space}, {"Left", Qt::Key_Left},
        {"Right", Qt::Key_Right}, {"Up", Qt::Key_Up},       {"Down", Qt::Key_Down},
        {"M", Qt::Key_M},
    };
    for (const auto &[name, key] : typing)
        QTest::newRow(name) << key << false << true;
}

void TestMainWindow::keyActionsFollowEnablingRules()
{
    QFETCH(int, key);
    QFETCH(bool, followsModal);
    QFETCH(bool, followsTextFocus);

    Fixture f;
    QAction *action = nullptr;
    const QList<QAction *> own = f.window.actions();
    for (QAction *candidate : own) {
        if (candidate->shortcut() == QKeySequence(key))
            action = candidate;
    }
    QVERIFY2(action, "no window-wide action for the key");

    for (const bool modal : {false, true}) {
        for (const bool typing : {false, true}) {
            f.window.setModalOpen(modal);
            f.window.setTextInputFocused(typing);
            const bool expected = !(followsModal && modal) && !(followsTextFocus && typing);
            QVERIFY2(action->isEnabled() == expected,
                     qPrintable(QStringLiteral("modal %1, typing %2").arg(modal).arg(typing)));
        }
    }
}

void TestMainWindow::fullScreenHidesMenuBarAndEveryWayOutShowsIt_data()
{
    QTest::addColumn<QString>("wayOut");
    QTest::newRow("F key") << QStringLiteral("F");
    QTest::newRow("Esc key") << QStringLiteral("Esc");
    QTest::newRow("menu item") << QStringLiteral("menu");
    QTest::newRow("scene button") << QStringLiteral("scene");
}

void TestMainWindow::fullScreenHidesMenuBarAndEveryWayOutShowsIt()
{
    QFETCH(QString, wayOut);
    Fixture f;
    QVERIFY(f.ready());
    QSignalSpy changed(&f.window, &MainWindow::fullScreenChanged);
    QSignalSpy library(&f.window, &MainWindow::libraryToggleRequested);

    f.window.requestToggleFullScreen();
    QVERIFY(f.window.fullScreen());
    QVERIFY(f.window.property("fullScreen").toBool());
    QVERIFY(f.window.menuBar()->isHidden());
    QCOMPARE(changed.count(), 1);

    if (wayOut == QLatin1String("F"))
        QTest::keyClick(&f.window, Qt::Key_F);
    else if (wayOut == QLatin1String("Esc"))
        QTest::keyClick(&f.window, Qt::Key_Escape);
    else if (wayOut == QLatin1String("menu"))
        itemTitled(menuTitled(f.window, "&Video"), "&Fullscreen")->trigger();
    else
        f.window.requestToggleFullScreen();

    QVERIFY(!f.window.fullScreen());
    QVERIFY(!f.window.menuBar()->isHidden());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(library.count(), 0); // Esc in full screen only leaves full screen
}

void TestMainWindow::menuKeysWorkWithTheMenuBarHidden()
{
    Fixture f;
    QVERIFY(f.ready());
    f.window.setFullScreen(true);
    QVERIFY(f.window.menuBar()->isHidden());
    QSignalSpy help(&f.window, &MainWindow::helpRequested);

    QTest::keyClick(&f.window, Qt::Key_F1);
    QCOMPARE(help.count(), 1);
    QTest::keySequence(&f.window, QKeySequence(QKeySequence::FullScreen));
    QVERIFY(!f.window.fullScreen());
}

void TestMainWindow::typingKeysReachFocusedTextField()
{
    auto *edit = new QLineEdit;
    Fixture f(edit);
    QVERIFY(f.ready());
    edit->setFocus();
    f.window.setTextInputFocused(true);

    QTest::keyClicks(edit, QStringLiteral("f m"));
    QCOMPARE(edit->text(), QStringLiteral("f m"));
    QVERIFY(!f.window.fullScreen());
    QVERIFY(!f.player.muted());

    f.window.setTextInputFocused(false);
    f.window.setFocus();
    QTest::keyClick(&f.window, Qt::Key_M);
    QVERIFY(f.player.muted());
}

void TestMainWindow::showAtsc3FollowsSettingBothWays()
{
    QSettings().setValue(QStringLiteral("showAtsc3"), true);
    Fixture f;
    QAction *item = itemTitled(menuTitled(f.window, "&File"), "&Show ATSC-3");
    QVERIFY(item->isCheckable());
    QVERIFY(item->isChecked()); // the stored value at start-up

    QSignalSpy changed(&f.settings, &Settings::showAtsc3Changed);
    item->trigger();
    QVERIFY(!item->isChecked());
    QCOMPARE(f.settings.showAtsc3(), false);
    QCOMPARE(changed.count(), 1);

    // Whoever changes the setting, the item shows it.
    f.settings.setShowAtsc3(true);
    QVERIFY(item->isChecked());
    QCOMPARE(changed.count(), 2); // no echo write from the item
    f.settings.setShowAtsc3(false);
    QVERIFY(!item->isChecked());
    QCOMPARE(changed.count(), 3);
}

void TestMainWindow::cancelledOpenDialogChangesNothing()
{
    QTemporaryDir start;
    QVERIFY(start.isValid());
    Fixture f;
    f.settings.setLastDir(QUrl::fromLocalFile(start.path()));
    QVERIFY(f.ready());
    QSignalSpy lastDir(&f.settings, &Settings::lastDirChanged);
    QSignalSpy media(&f.player, &VlcPlayer::currentMediaChanged);

    QString shownDir;
    QString shownTitle;
    answerFileDialog([&](QFileDialog *dialog) {
        shownDir = dialog->directory().absolutePath();
        shownTitle = dialog->windowTitle();
        dialog->reject();
    });
    itemTitled(menuTitled(f.window, "&File"), "&Open...")->trigger();

    QCOMPARE(shownTitle, QStringLiteral("Open HLS playlist"));
    QCOMPARE(shownDir, QDir(start.path()).absolutePath());
    QCOMPARE(lastDir.count(), 0);
    QCOMPARE(f.settings.lastDir(), QUrl::fromLocalFile(start.path()));
    QCOMPARE(media.count(), 0);
    QVERIFY(f.player.currentMedia().isEmpty());
}

void TestMainWindow::openDialogRemembersFolderAndOpensFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("show")));
    const QString file = dir.path() + QStringLiteral("/show/master.m3u8");
    {
        QFile playlist(file);
        QVERIFY(playlist.open(QIODevice::WriteOnly));
        playlist.write("#EXTM3U\n");
    }
    Fixture f;
    f.settings.setLastDir(QUrl::fromLocalFile(dir.path()));
    QVERIFY(f.ready());
    QSignalSpy lastDir(&f.settings, &Settings::lastDirChanged);

    QStringList filters;
    answerFileDialog([&](QFileDialog *dialog) {
        filters = dialog->nameFilters();
        // Typed as a user would: the full path into the file name field, then Enter.
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!name) {
            dialog->reject(); // the checks below then fail
            return;
        }
        name->setText(file);
        QTest::keyClick(name, Qt::Key_Return);
    });
    itemTitled(menuTitled(f.window, "&File"), "&Open...")->trigger();

    QCOMPARE(filters, QStringList({QStringLiteral("HLS Playlist (*.m3u8)"),
                                   QStringLiteral("All files (*)")}));
    QCOMPARE(lastDir.count(), 1);
    QCOMPARE(f.settings.lastDir(), QUrl::fromLocalFile(dir.path() + QStringLiteral("/show")));
    QCOMPARE(f.player.currentMedia(), QUrl::fromLocalFile(file));
    f.player.stop();
}

void TestMainWindow::trackMenuFollowsRealMedia()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString media = makeThreeTrackMedia(dir.path());
    QVERIFY(!media.isEmpty());

    Fixture f;
    // The engine is part of the program: without it this is a failure, not something to skip.
    QVERIFY2(f.player.hasEngine(), "libvlc could not start");
    QMenu *trackMenu = itemTitled(menuTitled(f.window, "&Audio"), "&Track")->menu();
    QVERIFY(!trackMenu->isEnabled());

    f.player.setMuted(true);
    f.player.open(QUrl::fromLocalFile(media));

    // libvlc lists its disabling entry (-1) besides the three tracks.
    QTRY_VERIFY_WITH_TIMEOUT(f.player.audioTracks().size() >= 3, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(f.player.currentAudioTrack() != -1, 15000);

    const QVariantList tracks = f.player.audioTracks();
    const QList<QAction *> items = trackMenu->actions();
    QVERIFY(trackMenu->isEnabled());
    QCOMPARE(items.size(), tracks.size());
    QList<int> realIds;
    for (int i = 0; i < items.size(); ++i) {
        const QVariantMap track = tracks.at(i).toMap();
        QCOMPARE(items.at(i)->text(), track.value(QStringLiteral("name")).toString());
        QCOMPARE(items.at(i)->data().toInt(), track.value(QStringLiteral("id")).toInt());
        QVERIFY(items.at(i)->isCheckable());
        QCOMPARE(items.at(i)->actionGroup()->isExclusive(), true);
        if (items.at(i)->data().toInt() != -1)
            realIds << items.at(i)->data().toInt();
    }
    QCOMPARE(realIds.size(), 3);
    QVERIFY(items.last()->text().contains(QStringLiteral("Commentary")));

    auto checkedIds = [&] {
        QList<int> ids;
        const QList<QAction *> now = trackMenu->actions();
        for (const QAction *item : now) {
            if (item->isChecked())
                ids << item->data().toInt();
        }
        return ids;
    };
    QCOMPARE(checkedIds(), QList<int>{f.player.currentAudioTrack()});

    // Choosing another track in the menu selects it in the player, and only it is checked.
    const int second =
        realIds.at(1) == f.player.currentAudioTrack() ? realIds.at(2) : realIds.at(1);
    for (QAction *item : trackMenu->actions()) {
        if (item->data().toInt() == second)
            item->trigger();
    }
    QCOMPARE(f.player.currentAudioTrack(), second);
    QCOMPARE(checkedIds(), QList<int>{second});

    // A change made on the player's side moves the check.
    f.player.setCurrentAudioTrack(realIds.at(0));
    QTRY_COMPARE(f.player.currentAudioTrack(), realIds.at(0));
    QCOMPARE(checkedIds(), QList<int>{realIds.at(0)});

    // Right and Left seek five seconds either way; Space pauses.
    QVERIFY(f.ready());
    QTRY_VERIFY_WITH_TIMEOUT(f.player.playing() && f.player.time() > 0, 10000);
    const qlonglong before = f.player.time();
    QTest::keyClick(&f.window, Qt::Key_Right);
    QTRY_VERIFY_WITH_TIMEOUT(f.player.time() >= before + 4500, 5000);
    const qlonglong ahead = f.player.time();
    QTest::keyClick(&f.window, Qt::Key_Left);
    QTRY_VERIFY_WITH_TIMEOUT(f.player.time() <= ahead - 3500, 5000);
    QTest::keyClick(&f.window, Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(!f.player.playing(), 5000);

    // The disconnect item stops whatever plays.
    f.window.disconnectAction()->setEnabled(true);
    f.window.disconnectAction()->trigger();
    QVERIFY(f.player.currentMedia().isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
