// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "e2eharness.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <memory>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace e2e {

QString run(const QString &program, const QStringList &args, const QProcessEnvironment &env,
            int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning().noquote() << program << args.join(QLatin1Char(' '))
                             << "failed:" << process.readAllStandardError();
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
        }
        return QString();
    }
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    return out.isNull() ? QStringLiteral("") : out;
}

void endWithTest(QProcess *process)
{
#ifdef Q_OS_LINUX
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#else
    Q_UNUSED(process);
#endif
}

void stopProcess(QProcess *process, int graceMs)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(graceMs)) {
        process->kill();
        process->waitForFinished(2000);
    }
}

bool near(QRgb pixel, QRgb target, int tolerance)
{
    return qAbs(qRed(pixel) - qRed(target)) <= tolerance &&
           qAbs(qGreen(pixel) - qGreen(target)) <= tolerance &&
           qAbs(qBlue(pixel) - qBlue(target)) <= tolerance;
}

int countNear(const QImage &image, const QRect &area, QRgb target, int tolerance)
{
    return countWhere(image, area, [&](QRgb p) { return near(p, target, tolerance); });
}

int countWhere(const QImage &image, const QRect &area, const PixelTest &test)
{
    int count = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (test(image.pixel(x, y)))
                ++count;
        }
    }
    return count;
}

QList<QRect> runsListWhere(const QImage &image, const QRect &area, const PixelTest &test,
                           int minRun)
{
    QList<QRect> runs;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        int run = 0;
        for (int x = clipped.left(); x <= clipped.right() + 1; ++x) {
            if (x <= clipped.right() && test(image.pixel(x, y))) {
                ++run;
                continue;
            }
            if (run >= minRun)
                runs.append(QRect(x - run, y, run, 1));
            run = 0;
        }
    }
    return runs;
}

QRect runsWhere(const QImage &image, const QRect &area, const PixelTest &test, int minRun)
{
    QRect box;
    for (const QRect &run : runsListWhere(image, area, test, minRun))
        box |= run;
    return box;
}

QRect stripesOf(const QImage &image, const QRect &area, QRgb target, int minRun)
{
    return runsWhere(
        image, area, [target](QRgb p) { return near(p, target, 20); }, minRun);
}

int coarseColours(const QImage &image, const QRect &area)
{
    QSet<int> seen;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); y += 2) {
        for (int x = clipped.left(); x <= clipped.right(); x += 2) {
            const QRgb p = image.pixel(x, y);
            seen.insert(((qRed(p) >> 5) << 6) | ((qGreen(p) >> 5) << 3) | (qBlue(p) >> 5));
        }
    }
    return int(seen.size());
}

double meanLuma(const QImage &image, const QRect &area)
{
    double sum = 0;
    int n = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            sum += qGray(image.pixel(x, y));
            ++n;
        }
    }
    return n ? sum / n : 0;
}

Run verticalRun(const QImage &image, int x, int top, int bottom, QRgb target, int tolerance)
{
    Run best;
    if (x < 0 || x >= image.width())
        return best;
    top = qMax(0, top);
    bottom = qMin(image.height() - 1, bottom);
    int start = -1;
    for (int y = top; y <= bottom + 1; ++y) {
        const bool hit = y <= bottom && near(image.pixel(x, y), target, tolerance);
        if (hit && start < 0)
            start = y;
        if (!hit && start >= 0) {
            if (y - start > best.length)
                best = Run{start, y - start};
            start = -1;
        }
    }
    return best;
}

QRect frameOf(const QImage &image, const QRect &area, QRgb border, int tolerance, int minHeight)
{
    const QRect clipped = area.intersected(image.rect());
    int left = -1;
    int right = -1;
    Run tallest;
    for (int x = clipped.left(); x <= clipped.right(); ++x) {
        const Run r = verticalRun(image, x, clipped.top(), clipped.bottom(), border, tolerance);
        if (r.length < minHeight)
            continue;
        if (left < 0)
            left = x;
        right = x;
        if (r.length > tallest.length)
            tallest = r;
    }
    if (left < 0)
        return QRect();
    return QRect(left, tallest.start, right - left + 1, tallest.length);
}

QRect dropDownMenu(const QImage &image, const QRect &area)
{
    const auto menuBackground = [](QRgb p) {
        return qGray(p) > 220 && qAbs(qRed(p) - qGreen(p)) < 8 && qAbs(qGreen(p) - qBlue(p)) < 8;
    };
    return runsWhere(image, area, menuBackground, 80);
}

namespace {

// Pixels that differ between two images of the same size.
qsizetype differingPixels(const QImage &a, const QImage &b)
{
    qsizetype count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *lineA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *lineB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if ((lineA[x] & 0xffffff) != (lineB[x] & 0xffffff))
                ++count;
        }
    }
    return count;
}

// A picture moves when more than 1 % of the area changed; it stands still when at most 0.1 %
// did (the pointer, drawn into the shots, may have moved over it).
ShotCheck comparedWithPrevious(const AreaOf &area, bool same)
{
    auto previous = std::make_shared<QImage>();
    return [area, same, previous](const QImage &shot) {
        const QImage now = shot.copy(area(shot));
        const bool compared = !previous->isNull() && previous->size() == now.size();
        const qsizetype changed = compared ? differingPixels(*previous, now) : 0;
        const qsizetype pixels = qsizetype(now.width()) * now.height();
        *previous = now;
        if (!compared)
            return QStringLiteral("nothing to compare the picture with yet");
        if (same && changed * 1000 > pixels)
            return QStringLiteral("the picture still moves (%1 pixels changed)").arg(changed);
        if (!same && changed * 100 <= pixels)
            return QStringLiteral("the picture stands still (%1 pixels changed)").arg(changed);
        return QString();
    };
}

} // namespace

ShotCheck pictureMoves(const AreaOf &area)
{
    return comparedWithPrevious(area, false);
}

ShotCheck pictureStill(const AreaOf &area)
{
    return comparedWithPrevious(area, true);
}

ShotCheck allOf(const QList<ShotCheck> &checks)
{
    return [checks](const QImage &shot) {
        QString first;
        for (const ShotCheck &check : checks) {
            const QString problem = check(shot);
            if (first.isEmpty())
                first = problem;
        }
        return first;
    };
}

QImage shootUntil(const std::function<QImage()> &shoot, const ShotCheck &check, QString *problem,
                  int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const QImage image = shoot();
        const QString wrong = image.isNull() ? QStringLiteral("no screenshot") : check(image);
        if (wrong.isEmpty() || clock.elapsed() >= timeoutMs) {
            if (problem)
                *problem = wrong;
            return image;
        }
        QTest::qWait(100);
    }
}

VirtualDisplay::~VirtualDisplay()
{
    stop();
}

bool VirtualDisplay::start(int width, int height, const QProcessEnvironment &base)
{
    m_width = width;
    m_height = height;
    // A display number that no other server uses (lock file and socket both absent); a server
    // that loses the race for a number exits, and the next number is tried.
    for (int n = 120; n < 200 && m_name.isEmpty(); ++n) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) ||
            QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
            continue;
        const QString candidate = QStringLiteral(":%1").arg(n);
        m_server = std::make_unique<QProcess>();
        m_server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        endWithTest(m_server.get());
        m_server->start(QStringLiteral("Xvfb"),
                        {candidate, QStringLiteral("-screen"), QStringLiteral("0"),
                         QStringLiteral("%1x%2x24").arg(width).arg(height),
                         QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                         // No reset when the last client leaves: the readiness probe below is
                         // the first client, and a program connecting while the server resets
                         // is turned away.
                         QStringLiteral("-noreset")});
        if (!m_server->waitForStarted(5000)) {
            qWarning() << "VirtualDisplay: Xvfb did not start:" << m_server->errorString();
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000 && m_server->state() == QProcess::Running) {
            // The socket alone may be another server's that took the number first: the display
            // is ours only when the lock file names our server.
            QFile lock(QStringLiteral("/tmp/.X%1-lock").arg(n));
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
                lock.open(QIODevice::ReadOnly)) {
                if (lock.readAll().trimmed().toLongLong() == m_server->processId()) {
                    m_name = candidate;
                    break;
                }
            }
            QTest::qWait(50);
        }
        if (m_name.isEmpty())
            stopProcess(m_server.get(), 2000);
    }
    if (m_name.isEmpty()) {
        qWarning() << "VirtualDisplay: no free display number";
        return false;
    }

    m_env = base;
    m_env.insert(QStringLiteral("DISPLAY"), m_name);
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    // The socket shows up a moment before the server takes clients: wait for a client to get in.
    QElapsedTimer clock;
    clock.start();
    bool ready = false;
    while (!ready && clock.elapsed() < 10000) {
        QProcess probe;
        probe.setProcessEnvironment(m_env);
        probe.start(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")});
        ready = probe.waitForFinished(5000) && probe.exitStatus() == QProcess::NormalExit &&
                probe.exitCode() == 0;
        if (!ready)
            QTest::qWait(100);
    }
    if (!ready) {
        qWarning() << "VirtualDisplay: the server on" << m_name << "takes no clients";
        return false;
    }

    m_windowManager = std::make_unique<QProcess>();
    m_windowManager->setProcessEnvironment(m_env);
    m_windowManager->setProcessChannelMode(QProcess::MergedChannels);
    endWithTest(m_windowManager.get());
    m_windowManager->start(QStringLiteral("openbox"), {});
    if (!m_windowManager->waitForStarted(5000)) {
        qWarning() << "VirtualDisplay: openbox did not start:" << m_windowManager->errorString();
        return false;
    }

    // The window manager takes the screen a moment after its process starts; until it announces
    // what it supports, activating a window fails. Wait for it to offer window activation.
    clock.restart();
    while (clock.elapsed() < 10000 && m_windowManager->state() == QProcess::Running) {
        QProcess probe;
        probe.setProcessEnvironment(m_env);
        probe.start(QStringLiteral("xprop"),
                    {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTED")});
        if (probe.waitForFinished(5000) && QString::fromUtf8(probe.readAllStandardOutput())
                                               .contains(QLatin1String("_NET_ACTIVE_WINDOW")))
            return true;
        QTest::qWait(100);
    }
    qWarning() << "VirtualDisplay: the window manager on" << m_name
               << "did not take the screen; state" << m_windowManager->state() << "exit code"
               << m_windowManager->exitCode() << m_windowManager->readAll();
    return false;
}

void VirtualDisplay::stop()
{
    stopProcess(m_windowManager.get());
    stopProcess(m_server.get());
    m_windowManager.reset();
    m_server.reset();
}

std::unique_ptr<QProcess> VirtualDisplay::launch(const QString &program, const QStringList &args,
                                                 const QString &logFile,
                                                 const QString &workingDirectory) const
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_env);
    if (!workingDirectory.isEmpty())
        process->setWorkingDirectory(workingDirectory);
    endWithTest(process.get());
    process->setStandardOutputFile(logFile);
    process->setStandardErrorFile(logFile, QIODevice::Append);
    process->start(program, args);
    return process;
}

QString VirtualDisplay::xdotool(const QStringList &args, int timeoutMs) const
{
    return run(QStringLiteral("xdotool"), args, m_env, timeoutMs);
}

void VirtualDisplay::moveTo(const QPoint &global) const
{
    xdotool(
        {QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())});
}

void VirtualDisplay::click(const QPoint &global, int settleMs) const
{
    moveTo(global);
    QTest::qWait(settleMs); // the scene sees the pointer arrive before the press
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
}

void VirtualDisplay::key(const QString &keys) const
{
    xdotool({QStringLiteral("key"), keys});
}

void VirtualDisplay::type(const QString &text, int delayMs) const
{
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QString::number(delayMs), text});
}

bool VirtualDisplay::waitForWindow(const QString &namePattern, QString *id, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        QProcess search;
        search.setProcessEnvironment(m_env);
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), namePattern});
        search.waitForFinished(5000);
        const QStringList ids = QString::fromUtf8(search.readAllStandardOutput())
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!ids.isEmpty()) {
            if (id)
                *id = ids.first();
            return true;
        }
        QTest::qWait(200);
    }
    return false;
}

bool VirtualDisplay::activate(const QString &id) const
{
    return !xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), id}).isNull();
}

QString VirtualDisplay::activeWindow() const
{
    return xdotool({QStringLiteral("getactivewindow")}).trimmed();
}

QRect VirtualDisplay::windowGeometry(const QString &id) const
{
    const QString out = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}, m_env);
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    static const QRegularExpression line(
        QStringLiteral(
            "^\\s*(Absolute upper-left X|Absolute upper-left Y|Width|Height):\\s*(-?\\d+)"),
        QRegularExpression::MultilineOption);
    auto it = line.globalMatch(out);
    while (it.hasNext()) {
        const auto m = it.next();
        const int v = m.captured(2).toInt();
        const QString key = m.captured(1);
        if (key.endsWith(QLatin1Char('X')))
            x = v;
        else if (key.endsWith(QLatin1Char('Y')))
            y = v;
        else if (key == QLatin1String("Width"))
            width = v;
        else
            height = v;
    }
    return QRect(x, y, width, height);
}

QImage VirtualDisplay::shoot(const QString &path, const QRect &area) const
{
    QFile::remove(path);
    run(QStringLiteral("ffmpeg"),
        {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
         QStringLiteral("-f"), QStringLiteral("x11grab"), QStringLiteral("-video_size"),
         QStringLiteral("%1x%2").arg(area.width()).arg(area.height()), QStringLiteral("-i"),
         QStringLiteral("%1+%2,%3").arg(m_name).arg(area.x()).arg(area.y()),
         QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-y"), path},
        m_env);
    QImage image(path);
    if (image.isNull()) {
        qWarning() << "no screenshot" << path;
        return image;
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace e2e
