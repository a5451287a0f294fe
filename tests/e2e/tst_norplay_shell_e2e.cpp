// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

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
    // `check`, moving the pointer a little after every shot it rejects: a step waiting for the
    // bar keeps it from hiding again while the machine is slow.
    ShotCheck withActivity(const ShotCheck &check);
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

// A small pointer movement inside the window: activity for the scene. The steps after it wait on
// the screen for the bar.
void TestNorplayShellE2e::wiggle()
{
    const QRect w = windowGeometry();
    m_wiggle = (m_wiggle + 7) % 40;
    m_display.moveTo(QPoint(w.x() + w.width() / 2 + m_wiggle, w.y() + w.height() / 3));
}

ShotCheck TestNorplayShellE2e::withActivity(const ShotCheck &check)
{
    return [this, check](const QImage &shot) {
        const QString problem = check(shot);
        if (!problem.isEmpty())
            wiggle();
        return problem;
    };
}

namespace {

// The windowed bar along the bottom of a window shot: 72 high, with the accent-coloured sliders.
QString windowedBarProblem(const QImage &shot)
{
    const int barTop = shot.height() - 72;
    const QRect stripes = stripesOf(shot, shot.rect(), Accent);
    if (stripes.isEmpty())
        return QStringLiteral("no slider tracks");
    if (stripes.top() < barTop)
        return QStringLiteral("slider tracks at row %1, above the bar").arg(stripes.top());
    return QString();
}

// The floating bar of a full-screen shot: 80 high, 60 above the bottom, at most 1400 wide and
// centred.
QString floatingBarProblem(const QImage &shot)
{
    const int left = qMax(40, (ScreenWidth - 1400) / 2);
    const QRect accent = stripesOf(shot, shot.rect(), Accent);
    if (accent.isEmpty())
        return QStringLiteral("no slider tracks");
    if (accent.top() < ScreenHeight - 60 - 80 || accent.bottom() >= ScreenHeight - 60)
        return QStringLiteral("accent rows %1-%2").arg(accent.top()).arg(accent.bottom());
    if (accent.left() <= left || accent.right() >= ScreenWidth - left)
        return QStringLiteral("accent columns %1-%2").arg(accent.left()).arg(accent.right());
    return QString();
}

QString menuBarProblem(const QImage &shot)
{
    if (countNear(shot, QRect(0, 0, shot.width(), 16), qRgb(0xef, 0xef, 0xef), 24) <=
        shot.width() * 8)
        return QStringLiteral("no menu bar");
    return QString();
}

QString windowedBarHiddenProblem(const QImage &shot)
{
    const int barTop = shot.height() - 72;
    if (!stripesOf(shot, QRect(0, barTop, shot.width(), 72), Accent).isEmpty())
        return QStringLiteral("the bar is still shown");
    return QString();
}

// The video area of a window shot: below the menu bar, above the bar.
QRect videoArea(const QImage &shot)
{
    return QRect(0, 40, shot.width(), shot.height() - 72 - 60);
}

// A picture in the video area of a window shot.
QString pictureProblem(const QImage &shot)
{
    const int colours = coarseColours(shot, videoArea(shot));
    if (colours < 8)
        return QStringLiteral("the video area shows no picture (%1 colours)").arg(colours);
    return QString();
}

// A popup `width` wide centred in a window shot, its surface on both sides of the centre.
QString popupProblem(const QImage &shot, int width)
{
    const int cx = shot.width() / 2;
    const int cy = shot.height() / 2;
    if (!near(shot.pixel(cx - width / 2 + 8, cy), PopupSurface, 6) ||
        !near(shot.pixel(cx + width / 2 - 8, cy), PopupSurface, 6))
        return QStringLiteral("no popup %1 wide").arg(width);
    if (near(shot.pixel(cx - width / 2 - 30, cy), PopupSurface, 6))
        return QStringLiteral("the popup is wider than %1").arg(width);
    return QString();
}

QString popupClosedProblem(const QImage &shot, int width)
{
    if (near(shot.pixel(shot.width() / 2 - width / 2 + 8, shot.height() / 2), PopupSurface, 6))
        return QStringLiteral("the popup is still open");
    return QString();
}

} // namespace

void TestNorplayShellE2e::openPlaylistThroughFileMenu()
{
    m_display.activate(m_window);
    m_display.key(QStringLiteral("alt+f"));
    QTest::qWait(300);
    m_display.key(QStringLiteral("o"));
    QString dialog;
    QVERIFY2(m_display.waitForWindow(QStringLiteral("^Open HLS playlist$"), &dialog, 10000),
             "File > Open showed no dialog");
    // Typed keys go to the window that has the keyboard: wait until that is the dialog.
    QTRY_COMPARE_WITH_TIMEOUT(m_display.activeWindow(), dialog, 10000);
    m_display.type(m_playlist, 10);
    m_display.key(QStringLiteral("Return"));

    // The picture plays in the video area (the splash before it stands still, then fades); the
    // bar lies along the bottom, 72 high, darker than the picture above it, with white glyphs and
    // the accent-coloured sliders.
    const auto darkBarProblem = [](const QImage &s) {
        const int barTop = s.height() - 72;
        const double barLuma = meanLuma(s, QRect(0, barTop + 2, s.width(), 68));
        const double aboveLuma = meanLuma(s, QRect(0, barTop - 80, s.width(), 70));
        if (barLuma >= aboveLuma * 0.5)
            return QStringLiteral("bar luma %1, above it %2").arg(barLuma).arg(aboveLuma);
        if (countNear(s, QRect(0, barTop, s.width(), 72), qRgb(255, 255, 255), 10) <= 100)
            return QStringLiteral("no white glyphs in the bar");
        return QString();
    };
    QImage shot;
    E2E_SHOOT_UNTIL(shot, shootWindow(QStringLiteral("01-windowed-bar.png")),
                    withActivity(allOf({pictureMoves(videoArea), pictureProblem, windowedBarProblem,
                                        darkBarProblem})));
    QVERIFY(alive());
}

void TestNorplayShellE2e::windowedBarHidesWhenIdleAndReturnsOnMovement()
{
    QImage idle;
    E2E_SHOOT_UNTIL(idle, shootWindow(QStringLiteral("01b-windowed-idle.png")),
                    windowedBarHiddenProblem);

    wiggle();
    QImage back;
    E2E_SHOOT_UNTIL(back, shootWindow(QStringLiteral("01c-windowed-back.png")),
                    withActivity(windowedBarProblem));
}

void TestNorplayShellE2e::fullScreenFloatsTheBar()
{
    m_display.key(QStringLiteral("f"));
    QTRY_COMPARE_WITH_TIMEOUT(windowGeometry().width(), ScreenWidth, 5000);
    QCOMPARE(windowGeometry().height(), ScreenHeight);

    // The floating bar: 80 high, 60 above the bottom, at most 1400 wide and centred.
    const int left = qMax(40, (ScreenWidth - 1400) / 2);
    const QRect bar(left, ScreenHeight - 140, ScreenWidth - 2 * left, 80);
    wiggle();
    QImage shot;
    E2E_SHOOT_UNTIL(shot,
                    shoot(QStringLiteral("02-fullscreen-floating-bar.png"), m_display.screen()),
                    withActivity(floatingBarProblem));

    // No menu bar: the picture reaches the top edge.
    QVERIFY(coarseColours(shot, QRect(0, 0, ScreenWidth, 20)) >= 4);
    // Darkened inside the bar, compared with the picture just above it; the strip beside the
    // bar keeps the picture's brightness.
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
    QImage idle;
    E2E_SHOOT_UNTIL(idle, shoot(QStringLiteral("02b-fullscreen-idle.png"), m_display.screen()),
                    [&](const QImage &s) {
                        return stripesOf(s, bar, Accent).isEmpty()
                                   ? QString()
                                   : QStringLiteral("the floating bar is still shown");
                    });
    wiggle();
    QImage back;
    E2E_SHOOT_UNTIL(back, shoot(QStringLiteral("02c-fullscreen-back.png"), m_display.screen()),
                    withActivity(floatingBarProblem));
}

void TestNorplayShellE2e::settingsPanelSlidesIn()
{
    // The bar's settings button: second in the row, after the left margin and the library button.
    const int left = qMax(40, (ScreenWidth - 1400) / 2);
    const int x = left + 16 + 48 + 16 + 24;
    const int y = ScreenHeight - 60 - 40;
    // The pointer arriving there is activity: the bar is up before the click.
    m_display.moveTo(QPoint(x, y));
    QImage up;
    E2E_SHOOT_UNTIL(up, shoot(QStringLiteral("03a-bar-before-settings.png"), m_display.screen()),
                    floatingBarProblem);
    m_display.click(QPoint(x, y), 400);

    // A dark panel 320 wide down the left edge with white text; the scene beside it dimmed.
    const QRect panel(0, 0, 318, ScreenHeight);
    QImage shot;
    E2E_SHOOT_UNTIL(shot, shoot(QStringLiteral("03-settings-panel.png"), m_display.screen()),
                    [&](const QImage &s) {
                        const int dark = countNear(s, panel, qRgb(0x1a, 0x1a, 0x1a), 24);
                        if (dark <= panel.width() * panel.height() * 6 / 10)
                            return QStringLiteral("no panel: %1 dark pixels").arg(dark);
                        const double dimmed = meanLuma(s, QRect(400, 100, 1000, 500));
                        if (dimmed >= 128 * 0.6)
                            return QStringLiteral("the scene is not dimmed: luma %1").arg(dimmed);
                        return QString();
                    });
    QVERIFY(countNear(shot, QRect(0, 0, 318, 80), qRgb(255, 255, 255), 10) > 50);

    // Its close button (top right of the panel) closes it: the picture is back where it was.
    m_display.click(QPoint(320 - 16 - 20, 32), 300);
    const QRect wasPanel(0, 100, 318, 500);
    QImage closed;
    E2E_SHOOT_UNTIL(
        closed, shoot(QStringLiteral("03b-settings-closed.png"), m_display.screen()),
        [&](const QImage &s) {
            const int dark = countNear(s, wasPanel, qRgb(0x1a, 0x1a, 0x1a), 24);
            return dark < wasPanel.width() * wasPanel.height() / 20
                       ? QString()
                       : QStringLiteral("the panel is still there: %1 dark pixels").arg(dark);
        });
}

void TestNorplayShellE2e::escLeavesFullScreen()
{
    m_display.key(QStringLiteral("Escape"));
    QTRY_COMPARE_WITH_TIMEOUT(windowGeometry().width(), 1100, 5000);
    QVERIFY(alive());
    // Paused from here on, so the bar stays up for the popups' checks: the picture stands still
    // between two shots, and the menu bar is back (a light strip along the top).
    m_display.key(QStringLiteral("space"));
    wiggle();
    QImage shot;
    E2E_SHOOT_UNTIL(shot, shootWindow(QStringLiteral("04-windowed-paused.png")),
                    allOf({pictureStill(videoArea), menuBarProblem, windowedBarProblem}));
}

void TestNorplayShellE2e::helpClosesOnEscWithoutTogglingTheLibrary()
{
    // The popup's surface around the centre, 560 wide.
    m_display.key(QStringLiteral("F1"));
    QImage shot;
    E2E_SHOOT_UNTIL(shot, shootWindow(QStringLiteral("05-help.png")),
                    [](const QImage &s) { return popupProblem(s, 560); });

    // Esc closes the popup only: the video and its bar are still there.
    m_display.key(QStringLiteral("Escape"));
    QImage after;
    E2E_SHOOT_UNTIL(after, shootWindow(QStringLiteral("05b-help-closed.png")),
                    [](const QImage &s) { return popupClosedProblem(s, 560); });
    const int barTop = after.height() - 72;
    QVERIFY2(!stripesOf(after, QRect(0, barTop, after.width(), 72), Accent).isEmpty(),
             "Esc on the popup toggled the library");

    // A second Esc acts on the scene: the library overlay comes up over the video, the bar goes;
    // the library's dark surface covers the picture.
    m_display.key(QStringLiteral("Escape"));
    QImage library;
    E2E_SHOOT_UNTIL(library, shootWindow(QStringLiteral("05c-library-overlay.png")),
                    [](const QImage &s) {
                        const QString bar = windowedBarHiddenProblem(s);
                        if (!bar.isEmpty())
                            return bar;
                        const double luma = meanLuma(s, QRect(0, 40, s.width(), s.height() - 40));
                        return luma < 50 ? QString()
                                         : QStringLiteral("the library overlay did not come up: "
                                                          "luma %1")
                                               .arg(luma);
                    });
    m_display.key(QStringLiteral("Escape"));
    QImage video;
    E2E_SHOOT_UNTIL(video, shootWindow(QStringLiteral("05d-back-to-video.png")),
                    allOf({pictureProblem, windowedBarProblem}));
}

void TestNorplayShellE2e::aboutFromTheHelpMenu()
{
    m_display.key(QStringLiteral("alt+h"));
    QTest::qWait(300);
    m_display.key(QStringLiteral("a"));
    QImage shot;
    E2E_SHOOT_UNTIL(shot, shootWindow(QStringLiteral("06-about.png")),
                    [](const QImage &s) { return popupProblem(s, 380); });

    m_display.key(QStringLiteral("Escape"));
    QImage after;
    E2E_SHOOT_UNTIL(after, shootWindow(QStringLiteral("06b-about-closed.png")),
                    [](const QImage &s) { return popupClosedProblem(s, 380); });
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
