// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Key round trip on loopback to the stand-in box: 10,000 commands one after another (median and
// 99th percentile from sendKey to keyAcknowledged, and how many were lost), then 1,000 sent in one
// burst without waiting (every one must end exactly once).
#include "keysender.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double percentile(std::vector<qint64> sorted, double p)
{
    if (sorted.empty())
        return 0;
    const size_t i = std::min(sorted.size() - 1, size_t(p * double(sorted.size() - 1) + 0.5));
    return double(sorted[i]) / 1000.0; // microseconds
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    // The box on a free port; its ready line names it. It prints a line per key afterwards,
    // which is read and dropped.
    QProcess box;
    box.start(QStringLiteral(BOXSIM_PATH),
              {QStringLiteral("--address"), QStringLiteral("127.0.0.1"), QStringLiteral("--no-svp"),
               QStringLiteral("--no-discovery"), QStringLiteral("--key-port"),
               QStringLiteral("0")});
    QByteArray ready;
    const QRegularExpression keyPort(QStringLiteral("boxsim: ready .* key=(\\d+)"));
    QRegularExpressionMatch match;
    while (box.waitForReadyRead(5000)) {
        ready += box.readAllStandardOutput();
        match = keyPort.match(QString::fromLatin1(ready));
        if (match.hasMatch())
            break;
    }
    if (!match.hasMatch()) {
        std::fprintf(stderr, "bench_keyroundtrip: boxsim is not ready\n");
        return 1;
    }
    QObject::connect(&box, &QProcess::readyReadStandardOutput, &box,
                     [&box] { box.readAllStandardOutput(); });

    KeySender sender;
    sender.setHost(QStringLiteral("127.0.0.1"));
    sender.setPort(quint16(match.captured(1).toUInt()));

    // Wait until the box answers at all.
    bool up = false;
    QObject::connect(&sender, &KeySender::keyAcknowledged, [&](const QString &) { up = true; });
    for (int attempt = 0; attempt < 50 && !up; ++attempt) {
        sender.sendKey(QStringLiteral("ok"));
        QElapsedTimer wait;
        wait.start();
        while (!up && wait.elapsed() < 100)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    // Let any second answer of the start-up probes come and go.
    QElapsedTimer settle;
    settle.start();
    while (sender.pendingCount() > 0 && settle.elapsed() < 2500)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QObject::disconnect(&sender, nullptr, nullptr, nullptr);
    if (!up) {
        std::fprintf(stderr, "bench_keyroundtrip: boxsim does not answer\n");
        return 1;
    }

    // Sequential.
    const int sequential = 10000;
    std::vector<qint64> rtt;
    rtt.reserve(sequential);
    int lost = 0;
    bool done = false;
    bool acknowledged = false;
    QObject::connect(&sender, &KeySender::keyAcknowledged, [&](const QString &) {
        acknowledged = true;
        done = true;
    });
    QObject::connect(&sender, &KeySender::keyFailed,
                     [&](const QString &, const QString &) { done = true; });
    QElapsedTimer clock;
    for (int i = 0; i < sequential; ++i) {
        done = acknowledged = false;
        clock.start();
        sender.sendKey(QStringLiteral("#%1").arg(i % 10));
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (acknowledged)
            rtt.push_back(clock.nsecsElapsed());
        else
            ++lost;
    }
    std::sort(rtt.begin(), rtt.end());
    std::printf("sequential: %d keys, median %.1f us, p99 %.1f us, max %.1f us, lost %d\n",
                sequential, percentile(rtt, 0.5), percentile(rtt, 0.99),
                rtt.empty() ? 0.0 : double(rtt.back()) / 1000.0, lost);
    QObject::disconnect(&sender, nullptr, nullptr, nullptr);

    // Burst: commands of the vocabulary, sent without returning to the event loop, so no answer
    // is read until all are out. The sequence is 8 bits: a command whose sequence comes round
    // again while it waits ends there ("no response"), so each still ends exactly once.
    const int burst = 1000;
    int acks = 0, failures = 0;
    QHash<QString, int> reasons;
    QObject::connect(&sender, &KeySender::keyAcknowledged, [&](const QString &) { ++acks; });
    QObject::connect(&sender, &KeySender::keyFailed, [&](const QString &, const QString &why) {
        ++failures;
        ++reasons[why];
    });
    const QStringList &vocabulary = keyproto::vocabulary();
    clock.start();
    for (int i = 0; i < burst; ++i)
        sender.sendKey(vocabulary.at(i % vocabulary.size()));
    const qint64 sentIn = clock.elapsed();
    while (acks + failures < burst && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const qint64 endedIn = clock.elapsed();
    const int endedCount = acks + failures;
    // Past every time limit: nothing more may come.
    while (clock.elapsed() < endedIn + 2500)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    std::printf("burst: %d keys sent in %lld ms, %d outcomes after %lld ms and %d after 2.5 s more "
                "(%d acknowledged, %d failed), %d still pending\n",
                burst, static_cast<long long>(sentIn), endedCount, static_cast<long long>(endedIn),
                acks + failures, acks, failures, sender.pendingCount());
    for (auto it = reasons.cbegin(); it != reasons.cend(); ++it)
        std::printf("  failed: %d x \"%s\"\n", it.value(), qPrintable(it.key()));

    // And the same with distinct commands (which the box rejects), to see each end once.
    QHash<QString, int> perKey;
    QObject::disconnect(&sender, nullptr, nullptr, nullptr);
    QObject::connect(&sender, &KeySender::keyAcknowledged,
                     [&](const QString &keys) { ++perKey[keys]; });
    QObject::connect(&sender, &KeySender::keyFailed,
                     [&](const QString &keys, const QString &) { ++perKey[keys]; });
    for (int i = 0; i < burst; ++i)
        sender.sendKey(QStringLiteral("key-%1").arg(i));
    clock.start();
    while (clock.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    int once = 0;
    for (int n : perKey)
        once += n == 1 ? 1 : 0;
    std::printf("burst of distinct commands: %d of %d ended exactly once\n", once, burst);
    const bool burstOk = acks + failures == burst && sender.pendingCount() == 0 && once == burst;

    box.terminate();
    box.waitForFinished(3000);
    return burstOk && lost == 0 ? 0 : 1;
}
