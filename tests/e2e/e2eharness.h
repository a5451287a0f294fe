// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Pieces shared by the end-to-end tests: an X display (Xvfb with a window manager) to run the
// real programs in, xdotool to drive them like a user, screenshots, and pixel checks on them.
#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace e2e {

// Runs a helper program to its end; returns its standard output, or a null string when it could
// not start, timed out or failed (the failure is logged with its standard error).
QString run(const QString &program, const QStringList &args, const QProcessEnvironment &env,
            int timeoutMs = 30000);

// Makes a process that is about to be started end with the test: if the test program dies
// (a crash, a watchdog abort, CTest's timeout), the process is killed instead of staying behind
// on the machine. Only where the system offers it (Linux); elsewhere nothing changes.
void endWithTest(QProcess *process);

// Stops a process politely, then firmly. Does nothing for a process that is not running.
void stopProcess(QProcess *process, int graceMs = 5000);

// ---- Pixel checks ------------------------------------------------------------------------------

using PixelTest = std::function<bool(QRgb)>;

bool near(QRgb pixel, QRgb target, int tolerance);

// Pixels of `image` inside `area` that are within `tolerance` of `target`.
int countNear(const QImage &image, const QRect &area, QRgb target, int tolerance);

// Pixels of `image` inside `area` that pass `test`.
int countWhere(const QImage &image, const QRect &area, const PixelTest &test);

// Horizontal runs of at least `minRun` consecutive pixels that pass `test`: their bounding box
// inside `area` (empty when there are none). Finds filled shapes (a button's face, a bar) among
// text, whose pixels never line up that long.
QRect runsWhere(const QImage &image, const QRect &area, const PixelTest &test, int minRun);

// The same runs, one rectangle per run, row by row from the top.
QList<QRect> runsListWhere(const QImage &image, const QRect &area, const PixelTest &test,
                           int minRun);

// Horizontal runs of at least `minRun` pixels near `target`; the bounding box of all of them
// inside `area` (empty when there are none). Finds slider tracks and similar bars.
QRect stripesOf(const QImage &image, const QRect &area, QRgb target, int minRun = 60);

// Distinct colours after reducing each channel to 3 bits: a picture has many, a flat area one.
int coarseColours(const QImage &image, const QRect &area);

double meanLuma(const QImage &image, const QRect &area);

// The longest vertical run of pixels near `target` in column `x` between `top` and `bottom`
// (inclusive); `start` is its first row, -1 when there is none.
struct Run
{
    int start = -1;
    int length = 0;
};
Run verticalRun(const QImage &image, int x, int top, int bottom, QRgb target, int tolerance);

// A frame drawn as a one-pixel border of colour `border` (a popup's outline): the leftmost and
// rightmost columns of `area` holding a vertical run of at least `minHeight` border pixels, and
// the rows of the longest such run. Empty when no such column exists.
QRect frameOf(const QImage &image, const QRect &area, QRgb border, int tolerance, int minHeight);

// A drop-down menu of the menu bar inside `area`: the bounding box of long runs of the menus'
// light, neutral background (empty when none is open).
QRect dropDownMenu(const QImage &image, const QRect &area);

// ---- Waiting for the screen ---------------------------------------------------------------------

// What is wrong with a screenshot for a step that waits on it; empty when it shows what the step
// waits for.
using ShotCheck = std::function<QString(const QImage &)>;

// The part of a shot a check looks at, worked out from the shot (whose size may change).
using AreaOf = std::function<QRect(const QImage &)>;

// Checks that compare a shot with the one the same check saw before it: `pictureMoves` passes
// when more than 1 % of the area changed (a playing picture), `pictureStill` when at most 0.1 %
// did (a paused one, the pointer aside). The first shot has nothing to compare with and never
// passes.
ShotCheck pictureMoves(const AreaOf &area);
ShotCheck pictureStill(const AreaOf &area);

// The first problem of the checks, in their order (empty when every one passes). Every check sees
// every shot, so the comparing checks above keep their previous shot up to date.
ShotCheck allOf(const QList<ShotCheck> &checks);

// Takes screenshots with `shoot` until `check` finds nothing wrong with one, or `timeoutMs` has
// passed, and returns the last one; *problem gets what was wrong with it (empty when it passed).
// A step waits for the state it checks instead of sleeping a fixed time before one screenshot.
QImage shootUntil(const std::function<QImage()> &shoot, const ShotCheck &check, QString *problem,
                  int timeoutMs = 15000);

// Screenshots (`shootExpression`, evaluated for each) into `image` until `check` passes on one;
// fails the test with what was wrong with the last one.
#define E2E_SHOOT_UNTIL(image, shootExpression, check)                                             \
    do {                                                                                           \
        QString e2eProblem;                                                                        \
        image = e2e::shootUntil([&] { return shootExpression; }, check, &e2eProblem);              \
        QVERIFY2(e2eProblem.isEmpty(), qPrintable(e2eProblem));                                    \
    } while (false)

// ---- The display
// ---------------------------------------------------------------------------------

// An Xvfb server with the openbox window manager on a display number no one else uses. Programs
// started with env() show their windows there; the helpers drive the pointer and keyboard with
// xdotool and read windows and pixels back.
class VirtualDisplay
{
public:
    VirtualDisplay() = default;
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay &) = delete;
    VirtualDisplay &operator=(const VirtualDisplay &) = delete;

    // Starts the server (width x height, 24-bit) and the window manager, and returns once the
    // window manager can activate windows. `base` is the
    // environment for every program on the display (HOME, XDG folders...); DISPLAY and
    // QT_QPA_PLATFORM=xcb are added to it.
    bool start(int width, int height, const QProcessEnvironment &base);
    // Ends the window manager and the server (also done by the destructor).
    void stop();

    QString name() const { return m_name; }
    QProcessEnvironment env() const { return m_env; }
    QRect screen() const { return QRect(0, 0, m_width, m_height); }

    // Starts `program` on the display (without waiting for it), its standard output and error
    // both going to `logFile`; it ends with the test. An empty `workingDirectory` keeps the
    // test's own.
    std::unique_ptr<QProcess> launch(const QString &program, const QStringList &args,
                                     const QString &logFile,
                                     const QString &workingDirectory = QString()) const;

    QString xdotool(const QStringList &args, int timeoutMs = 15000) const;
    void moveTo(const QPoint &global) const;
    // Moves there, lets the scene see the pointer arrive for `settleMs`, then presses and
    // releases button 1.
    void click(const QPoint &global, int settleMs = 150) const;
    void key(const QString &keys) const; // an xdotool key name, e.g. "Escape", "ctrl+l"
    // Types `text` with `delayMs` between the keys.
    void type(const QString &text, int delayMs = 15) const;

    // Waits for a visible window whose name matches the regular expression; its id goes to *id.
    bool waitForWindow(const QString &namePattern, QString *id, int timeoutMs) const;
    bool activate(const QString &id) const;
    // The window that has the keyboard (the window manager's active window); empty when none.
    QString activeWindow() const;
    // Where the window's client area really is on the screen (the window manager's frame aside).
    QRect windowGeometry(const QString &id) const;

    // Grabs `area` of the screen into the PNG file `path` and returns it (RGB32; null on failure).
    QImage shoot(const QString &path, const QRect &area) const;

private:
    QString m_name;
    int m_width = 0;
    int m_height = 0;
    QProcessEnvironment m_env;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
};

} // namespace e2e
