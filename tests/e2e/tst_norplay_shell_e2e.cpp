// The real Norplay program in a real X window (Xvfb with a window manager), driven with xdotool
// the way a user would: File > Open plays an HLS playlist, the bar shows and hides, full screen
// floats the bar, the settings panel slides in, help and about open and close on Esc, and the
// window closes cleanly. Screenshots of each step are kept in the build tree.
#include "e2eharness.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace e2e;

namespace {

constexpr int ScreenWidth = 1600;
constexpr int ScreenHeight = 900;

const QRgb Accent = qRgb(0xef, 0x6d, 0x5e);
const QRgb PopupSurface = qRgb(0x26, 0x26, 0x26);

} // namespace

class TestNorplayShellE2e : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void openPlaylistThroughFileMenu();
    void windowedBarHidesWhenIdleAndReturnsOnMovement();
    void fullScreenFloatsTheBar();
    void settingsPanelSlidesIn();
    void escLeavesFullScreen();
    void helpClosesOnEscWithoutTogglingTheLibrary();
    void aboutFromTheHelpMenu();
    void closingExitsCleanly();

private:
    QRect windowGeometry() const { return m_display.windowGeometry(m_window); }
    QImage shoot(const QString &name, const QRect &area) const;
    QImage shootWindow(const QString &name) const { return shoot(name, windowGeometry()); }
    void wiggle();
    bool alive() const { return m_norplay && m_norplay->state() == QProcess::Running; }

    QTemporaryDir m_tmp;
    VirtualDisplay m_display;
    std::unique_ptr<QProcess> m_norplay;
    QString m_window;
    QString m_playlist;
    QString m_shotDir;
    int m_wiggle = 0;
};

void TestNorplayShellE2e::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_shotDir = QStringLiteral(E2E_SHOT_DIR);
    QVERIFY(QDir().mkpath(m_shotDir));

    // Settings and the open dialog's start folder live in the test's own home.
    const QString home = m_tmp.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home + QStringLiteral("/.config")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_tmp.path());
    QVERIFY2(m_display.start(ScreenWidth, ScreenHeight, env), "could not start the display");

    // A 90 s HLS playlist with a moving test picture and two audio languages.
    const QString media = m_tmp.filePath(QStringLiteral("media"));
    QVERIFY(QDir().mkpath(media));
    m_playlist = media + QStringLiteral("/master.m3u8");
    const QString made = run(QStringLiteral("ffmpeg"),
                             {QStringLiteral("-hide_banner"),
                              QStringLiteral("-loglevel"),
                              QStringLiteral("error"),
                              QStringLiteral("-f"),
                              QStringLiteral("lavfi"),
                              QStringLiteral("-i"),
                              QStringLiteral("testsrc2=size=1280x720:rate=25"),
                              QStringLiteral("-f"),
                              QStringLiteral("lavfi"),
                              QStringLiteral("-i"),
                              QStringLiteral("sine=frequency=440:sample_rate=48000"),
                              QStringLiteral("-f"),
                              QStringLiteral("lavfi"),
                              QStringLiteral("-i"),
                              QStringLiteral("sine=frequency=660:sample_rate=48000"),
                              QStringLiteral("-t"),
                              QStringLiteral("90"),
                              QStringLiteral("-map"),
                              QStringLiteral("0:v"),
                              QStringLiteral("-map"),
                              QStringLiteral("1:a"),
                              QStringLiteral("-map"),
                              QStringLiteral("2:a"),
                              QStringLiteral("-c:v"),
                              QStringLiteral("libx264"),
                              QStringLiteral("-preset"),
                              QStringLiteral("ultrafast"),
                              QStringLiteral("-g"),
                              QStringLiteral("50"),
                              QStringLiteral("-pix_fmt"),
                              QStringLiteral("yuv420p"),
                              QStringLiteral("-c:a"),
                              QStringLiteral("aac"),
                              QStringLiteral("-b:a"),
                              QStringLiteral("64k"),
                              QStringLiteral("-metadata:s:a:0"),
                              QStringLiteral("language=eng"),
                              QStringLiteral("-metadata:s:a:1"),
                              QStringLiteral("language=spa"),
                              QStringLiteral("-f"),
                              QStringLiteral("hls"),
                              QStringLiteral("-hls_time"),
                              QStringLiteral("4"),
                              QStringLiteral("-hls_playlist_type"),
                              QStringLiteral("vod"),
                              QStringLiteral("-hls_segment_filename"),
                              media + QStringLiteral("/seg%03d.ts"),
                              m_playlist},
                             QProcessEnvironment::systemEnvironment(), 120000);
    QVERIFY2(!made.isNull() && QFile::exists(m_playlist), "ffmpeg could not make the playlist");

    m_norplay = m_display.launch(QStringLiteral(NORPLAY_EXE), {},
                                 m_shotDir + QStringLiteral("/norplay.log"));
    QVERIFY2(m_norplay->waitForStarted(10000), "Norplay did not start");
    QVERIFY2(m_display.waitForWindow(QStringLiteral("^Norplay$"), &m_window, 20000),
             "no Norplay window appeared");
    QVERIFY(m_display.activate(m_window));

    // The window opens at 1100 wide, with the video area 619 high under the menu bar.
    const QRect start = windowGeometry();
    QCOMPARE(start.width(), 1100);
    QVERIFY2(start.height() > 619 && start.height() < 619 + 60,
             qPrintable(QString::number(start.height())));
    shootWindow(QStringLiteral("00-start.png"));
}

void TestNorplayShellE2e::cleanupTestCase()
{
    stopProcess(m_norplay.get());
    m_display.stop();
}

QImage TestNorplayShellE2e::shoot(const QString &name, const QRect &area) const
{
    return m_display.shoot(m_shotDir + QLatin1Char('/') + name, area);
}

// A small pointer movement inside the window: activity for the scene.
void TestNorplayShellE2e::wiggle()
{
    const QRect w = windowGeometry();
    m_wiggle = (m_wiggle + 7) % 40;
    m_display.moveTo(QPoint(w.x() + w.width() / 2 + m_wiggle, w.y() + w.height() / 3));
    QTest::qWait(600); // one pointer poll and the bar's fade-in
}

void TestNorplayShellE2e::openPlaylistThroughFileMenu()
{
    m_display.activate(m_window);
    m_display.key(QStringLiteral("alt+f"));
    QTest::qWait(300);
    m_display.key(QStringLiteral("o"));
    QString dialog;
    QVERIFY2(m_display.waitForWindow(QStringLiteral("^Open HLS playlist$"), &dialog, 10000),
             "File > Open showed no dialog");
    QTest::qWait(500);
    m_display.type(m_playlist, 10);
    m_display.key(QStringLiteral("Return"));

    QTest::qWait(3000);
    QVERIFY(alive());
    wiggle();
    const QImage shot = shootWindow(QStringLiteral("01-windowed-bar.png"));
    QVERIFY(!shot.isNull());

    // The picture plays in the video area; the bar lies along the bottom, 72 high, darker than
    // the picture above it, with white glyphs and the accent-coloured sliders.
    const int barTop = shot.height() - 72;
    QVERIFY2(coarseColours(shot, QRect(0, 40, shot.width(), barTop - 60)) >= 8,
             "the video area shows no picture");
    const double barLuma = meanLuma(shot, QRect(0, barTop + 2, shot.width(), 68));
    const double aboveLuma = meanLuma(shot, QRect(0, barTop - 80, shot.width(), 70));
    QVERIFY2(barLuma < aboveLuma * 0.5,
             qPrintable(QStringLiteral("bar %1, above %2").arg(barLuma).arg(aboveLuma)));
    QVERIFY(countNear(shot, QRect(0, barTop, shot.width(), 72), qRgb(255, 255, 255), 10) > 100);
    const QRect stripes = stripesOf(shot, shot.rect(), Accent);
    QVERIFY2(!stripes.isEmpty(), "no slider tracks");
    QVERIFY2(stripes.top() >= barTop, "slider tracks outside the bar");
}

void TestNorplayShellE2e::windowedBarHidesWhenIdleAndReturnsOnMovement()
{
    QTest::qWait(3500);
    const QImage idle = shootWindow(QStringLiteral("01b-windowed-idle.png"));
    const int barTop = idle.height() - 72;
    QVERIFY(stripesOf(idle, QRect(0, barTop, idle.width(), 72), Accent).isEmpty());

    wiggle();
    const QImage back = shootWindow(QStringLiteral("01c-windowed-back.png"));
    QVERIFY(!stripesOf(back, QRect(0, barTop, back.width(), 72), Accent).isEmpty());
}

void TestNorplayShellE2e::fullScreenFloatsTheBar()
{
    m_display.key(QStringLiteral("f"));
    QTRY_COMPARE_WITH_TIMEOUT(windowGeometry().width(), ScreenWidth, 5000);
    QCOMPARE(windowGeometry().height(), ScreenHeight);
    QTest::qWait(500);
    wiggle();
    const QImage shot = shoot(QStringLiteral("02-fullscreen-floating-bar.png"), m_display.screen());

    // No menu bar: the picture reaches the top edge.
    QVERIFY(coarseColours(shot, QRect(0, 0, ScreenWidth, 20)) >= 4);
    // The floating bar: 80 high, 60 above the bottom, at most 1400 wide and centred.
    const QRect accent = stripesOf(shot, shot.rect(), Accent);
    const int left = qMax(40, (ScreenWidth - 1400) / 2);
    QVERIFY2(
        accent.top() >= ScreenHeight - 60 - 80 && accent.bottom() < ScreenHeight - 60,
        qPrintable(QStringLiteral("accent rows %1-%2").arg(accent.top()).arg(accent.bottom())));
    QVERIFY2(
        accent.left() > left && accent.right() < ScreenWidth - left,
        qPrintable(QStringLiteral("accent columns %1-%2").arg(accent.left()).arg(accent.right())));
    // Darkened inside the bar, compared with the picture just above it; the strip beside the
    // bar keeps the picture's brightness.
    const QRect bar(left, ScreenHeight - 140, ScreenWidth - 2 * left, 80);
    const double inside = meanLuma(shot, bar.adjusted(2, 4, -2, -4));
    const double above = meanLuma(shot, bar.translated(0, -90).adjusted(2, 4, -2, -4));
    QVERIFY2(inside < above * 0.5, qPrintable(QStringLiteral("%1 vs %2").arg(inside).arg(above)));
    const QRect besideStrip(0, bar.top() + 4, left - 4, 72);
    const double beside = meanLuma(shot, besideStrip);
    const double besideAbove = meanLuma(shot, besideStrip.translated(0, -90));
    QVERIFY2(beside > besideAbove * 0.8,
             qPrintable(QStringLiteral("%1 vs %2").arg(beside).arg(besideAbove)));
    QVERIFY(coarseColours(shot, QRect(0, ScreenHeight - 55, ScreenWidth, 55)) >= 4);

    // Idle in full screen: bar and cursor go; movement brings them back.
    QTest::qWait(3500);
    const QImage idle = shoot(QStringLiteral("02b-fullscreen-idle.png"), m_display.screen());
    QVERIFY(stripesOf(idle, bar, Accent).isEmpty());
    wiggle();
    const QImage back = shoot(QStringLiteral("02c-fullscreen-back.png"), m_display.screen());
    QVERIFY(!stripesOf(back, bar, Accent).isEmpty());
}

void TestNorplayShellE2e::settingsPanelSlidesIn()
{
    // The bar's settings button: second in the row, after the left margin and the library button.
    const int left = qMax(40, (ScreenWidth - 1400) / 2);
    const int x = left + 16 + 48 + 16 + 24;
    const int y = ScreenHeight - 60 - 40;
    m_display.click(QPoint(x, y), 400);
    QTest::qWait(800);
    const QImage shot = shoot(QStringLiteral("03-settings-panel.png"), m_display.screen());

    // A dark panel 320 wide down the left edge with white text; the scene beside it dimmed.
    const QRect panel(0, 0, 318, ScreenHeight);
    const int dark = countNear(shot, panel, qRgb(0x1a, 0x1a, 0x1a), 24);
    QVERIFY2(dark > panel.width() * panel.height() * 6 / 10, qPrintable(QString::number(dark)));
    QVERIFY(countNear(shot, QRect(0, 0, 318, 80), qRgb(255, 255, 255), 10) > 50);
    QVERIFY(meanLuma(shot, QRect(400, 100, 1000, 500)) < 128 * 0.6);

    // Its close button (top right of the panel) closes it.
    m_display.click(QPoint(320 - 16 - 20, 32), 300);
    QTest::qWait(800);
    const QImage closed = shoot(QStringLiteral("03b-settings-closed.png"), m_display.screen());
    // The picture is back where the panel was.
    const QRect wasPanel(0, 100, 318, 500);
    QVERIFY(countNear(closed, wasPanel, qRgb(0x1a, 0x1a, 0x1a), 24) <
            wasPanel.width() * wasPanel.height() / 20);
}

void TestNorplayShellE2e::escLeavesFullScreen()
{
    m_display.key(QStringLiteral("Escape"));
    QTRY_COMPARE_WITH_TIMEOUT(windowGeometry().width(), 1100, 5000);
    QVERIFY(alive());
    // Paused from here on, so the bar stays up for the popups' checks.
    m_display.key(QStringLiteral("space"));
    QTest::qWait(500);
    wiggle();
    const QImage shot = shootWindow(QStringLiteral("04-windowed-paused.png"));
    // The menu bar is back: a light strip along the top.
    QVERIFY(countNear(shot, QRect(0, 0, shot.width(), 16), qRgb(0xef, 0xef, 0xef), 24) >
            shot.width() * 8);
}

void TestNorplayShellE2e::helpClosesOnEscWithoutTogglingTheLibrary()
{
    const QRect w = windowGeometry();
    m_display.key(QStringLiteral("F1"));
    QTest::qWait(700);
    const QImage shot = shootWindow(QStringLiteral("05-help.png"));
    // The popup's surface around the centre, 560 wide.
    const int cx = w.width() / 2;
    const int cy = w.height() / 2;
    QVERIFY(near(shot.pixel(cx - 560 / 2 + 8, cy), PopupSurface, 6));
    QVERIFY(near(shot.pixel(cx + 560 / 2 - 8, cy), PopupSurface, 6));
    QVERIFY(!near(shot.pixel(cx - 560 / 2 - 30, cy), PopupSurface, 6));

    // Esc closes the popup only: the video and its bar are still there.
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(700);
    const QImage after = shootWindow(QStringLiteral("05b-help-closed.png"));
    QVERIFY(!near(after.pixel(cx - 560 / 2 + 8, cy), PopupSurface, 6));
    const int barTop = after.height() - 72;
    QVERIFY2(!stripesOf(after, QRect(0, barTop, after.width(), 72), Accent).isEmpty(),
             "Esc on the popup toggled the library");

    // A second Esc acts on the scene: the library overlay comes up over the video, the bar goes.
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(700);
    const QImage library = shootWindow(QStringLiteral("05c-library-overlay.png"));
    QVERIFY(stripesOf(library, QRect(0, barTop, library.width(), 72), Accent).isEmpty());
    // The library's dark surface covers the picture.
    QVERIFY2(meanLuma(library, QRect(0, 40, library.width(), library.height() - 40)) < 50,
             "the library overlay did not come up");
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(700);
    const QImage video = shootWindow(QStringLiteral("05d-back-to-video.png"));
    QVERIFY(coarseColours(video, QRect(0, 40, video.width(), barTop - 60)) >= 8);
    QVERIFY(!stripesOf(video, QRect(0, barTop, video.width(), 72), Accent).isEmpty());
}

void TestNorplayShellE2e::aboutFromTheHelpMenu()
{
    const QRect w = windowGeometry();
    m_display.key(QStringLiteral("alt+h"));
    QTest::qWait(300);
    m_display.key(QStringLiteral("a"));
    QTest::qWait(700);
    const QImage shot = shootWindow(QStringLiteral("06-about.png"));
    const int cx = w.width() / 2;
    const int cy = w.height() / 2;
    QVERIFY(near(shot.pixel(cx - 380 / 2 + 8, cy), PopupSurface, 6));
    QVERIFY(!near(shot.pixel(cx - 380 / 2 - 30, cy), PopupSurface, 6));

    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(700);
    const QImage after = shootWindow(QStringLiteral("06b-about-closed.png"));
    QVERIFY(!near(after.pixel(cx - 380 / 2 + 8, cy), PopupSurface, 6));
    QVERIFY(alive());
}

void TestNorplayShellE2e::closingExitsCleanly()
{
    QVERIFY(alive());
    m_display.key(QStringLiteral("ctrl+q"));
    QVERIFY2(m_norplay->waitForFinished(15000), "Norplay did not quit");
    QCOMPARE(m_norplay->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_norplay->exitCode(), 0);

    // The scene's own documents logged no QML errors on the way.
    QFile log(m_shotDir + QStringLiteral("/norplay.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    static const QRegularExpression sceneError(
        QStringLiteral("qrc:/qml/(Main|ControlsBar|SettingsPanel|IconButton|SplashLayer|"
                       "HelpPopup|AboutPopup|Glyphs)\\.qml[^\\n]*"));
    const auto match = sceneError.match(text);
    QVERIFY2(!match.hasMatch(), qPrintable(match.captured(0)));
}

QTEST_MAIN(TestNorplayShellE2e)
#include "tst_norplay_shell_e2e.moc"
