// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// KeySender against the stand-in box on loopback: sequences, lengths, the host and its name,
// answers out of order, silence, rejection, and replies that must change nothing.
#include "boxsimprocess.h"
#include "keysender.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// Everything a sender reported, in order: "sent up", "ack up", "fail up: reason".
struct Outcomes
{
    explicit Outcomes(KeySender *sender)
    {
        QObject::connect(sender, &KeySender::keySent, sender,
                         [this](const QString &keys) { events << QStringLiteral("sent ") + keys; });
        QObject::connect(sender, &KeySender::keyAcknowledged, sender, [this](const QString &keys) {
            events << QStringLiteral("ack ") + keys;
            ++ended[keys];
        });
        QObject::connect(sender, &KeySender::keyFailed, sender,
                         [this](const QString &keys, const QString &reason) {
                             events
                                 << QStringLiteral("fail ") + keys + QStringLiteral(": ") + reason;
                             ++ended[keys];
                         });
    }
    int endedCount() const
    {
        int n = 0;
        for (int v : ended)
            n += v;
        return n;
    }
    QStringList events;
    QHash<QString, int> ended; // outcomes per command
};

constexpr int kAfterTimeoutMs = 6000; // generous wait for something due 2 s after a send

} // namespace

class TestKeySender : public QObject
{
    Q_OBJECT

private slots:
    void sequenceStartsAtOneAndWraps();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void longestCommandIsSent();
    void hostChangeClearsNameFirst();
    void answersInReverseOrderReachTheirCommands();
    void silentBoxTimesOutWithNameOrAddress();
    void rejectedCommand();
    void ignorableRepliesChangeNothing();
    void lateReplyAfterTimeoutIsIgnored();
    void moreThan255InFlightEachEndOnce_data();
    void moreThan255InFlightEachEndOnce();

private:
    // A box answering key commands on loopback; `extra` adds key-channel switches.
    std::unique_ptr<BoxSimProcess> startBox(const QStringList &extra = {});
    void aimAt(KeySender &sender, const BoxSimProcess &box);
};

std::unique_ptr<BoxSimProcess> TestKeySender::startBox(const QStringList &extra)
{
    QStringList args{QStringLiteral("--address"),  QStringLiteral("127.0.0.1"),
                     QStringLiteral("--no-svp"),   QStringLiteral("--no-discovery"),
                     QStringLiteral("--key-port"), QStringLiteral("0")};
    args << extra;
    auto box = std::make_unique<BoxSimProcess>(args);
    QString error;
    if (!box->start(&error)) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    return box;
}

void TestKeySender::aimAt(KeySender &sender, const BoxSimProcess &box)
{
    sender.setHost(QStringLiteral("127.0.0.1"));
    sender.setPort(box.keyPort());
}

void TestKeySender::sequenceStartsAtOneAndWraps()
{
    auto box = startBox();
    QVERIFY(box);
    KeySender sender;
    aimAt(sender, *box);
    Outcomes outcomes(&sender);

    for (int i = 0; i < 257; ++i) {
        sender.sendKey(QStringLiteral("#%1").arg(i % 10));
        // One at a time, so no sequence is in use twice.
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.endedCount(), i + 1, 5000);
    }
    const QList<BoxSimProcess::ReceivedKey> keys = box->keysReceived();
    QCOMPARE(keys.size(), 257);
    QCOMPARE(keys.at(0).sequence, 1);
    QCOMPARE(keys.at(254).sequence, 255);
    QCOMPARE(keys.at(255).sequence, 0); // the 256th
    QCOMPARE(keys.at(256).sequence, 1);
    QCOMPARE(keys.at(255).keys, QStringLiteral("#5"));
    QCOMPARE(outcomes.events.count(QStringLiteral("ack #5")), 26);
}

void TestKeySender::refusedBeforeSending_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("reason");

    const QString loopback = QStringLiteral("127.0.0.1");
    QTest::newRow("no box") << QString() << QStringLiteral("up")
                            << QStringLiteral("no device configured");
    QTest::newRow("name, not address")
        << QStringLiteral("living-room.local") << QStringLiteral("up")
        << QStringLiteral("invalid IP address 'living-room.local'");
    QTest::newRow("address with a typo") << QStringLiteral("192.168.1.") << QStringLiteral("ok")
                                         << QStringLiteral("invalid IP address '192.168.1.'");
    QTest::newRow("256 ASCII bytes")
        << loopback << QString(256, QLatin1Char('k')) << QStringLiteral("key string too long");
    // 128 characters, but 256 bytes in UTF-8.
    QTest::newRow("256 UTF-8 bytes")
        << loopback << QString(128, QChar(0xe9)) << QStringLiteral("key string too long");
}

void TestKeySender::refusedBeforeSending()
{
    QFETCH(QString, host);
    QFETCH(QString, keys);
    QFETCH(QString, reason);

    auto box = startBox();
    QVERIFY(box);
    KeySender sender;
    sender.setPort(box->keyPort());
    sender.setHost(host);
    Outcomes outcomes(&sender);

    sender.sendKey(keys);
    // Reported at once, and only as a failure.
    QCOMPARE(outcomes.events,
             QStringList{QStringLiteral("fail ") + keys + QStringLiteral(": ") + reason});
    QCOMPARE(sender.pendingCount(), 0);
    QVERIFY(box->keysReceived(300).isEmpty());
}

void TestKeySender::longestCommandIsSent()
{
    auto box = startBox();
    QVERIFY(box);
    KeySender sender;
    aimAt(sender, *box);
    Outcomes outcomes(&sender);

    // 255 bytes: 127 two-byte characters and one more byte.
    const QString keys = QString(127, QChar(0xe9)) + QLatin1Char('k');
    QCOMPARE(keys.toUtf8().size(), 255);
    sender.sendKey(keys);
    QCOMPARE(outcomes.events.value(0), QStringLiteral("sent ") + keys);
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.endedCount(), 1, 5000);

    const QList<BoxSimProcess::ReceivedKey> received = box->keysReceived();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.at(0).keys, keys); // whole, not cut
}

void TestKeySender::hostChangeClearsNameFirst()
{
    KeySender sender;
    QStringList order;
    connect(&sender, &KeySender::hostChanged, this, [&] {
        order << QStringLiteral("host ") + sender.host() + QStringLiteral(" name '") +
                     sender.deviceName() + QLatin1Char('\'');
    });
    connect(&sender, &KeySender::deviceNameChanged, this,
            [&] { order << QStringLiteral("name '") + sender.deviceName() + QLatin1Char('\''); });

    sender.setHost(QStringLiteral("10.0.0.5"));
    sender.setDeviceName(QStringLiteral("Living Room"));
    sender.setDeviceName(QStringLiteral("Living Room")); // unchanged: nothing
    sender.setHost(QStringLiteral("10.0.0.5"));          // unchanged: the name stays
    QCOMPARE(sender.deviceName(), QStringLiteral("Living Room"));
    sender.setHost(QStringLiteral("10.0.0.6"));
    sender.setHost(QStringLiteral("10.0.0.7")); // no name to clear

    QCOMPARE(order, (QStringList{
                        QStringLiteral("host 10.0.0.5 name ''"),
                        QStringLiteral("name 'Living Room'"),
                        QStringLiteral("name ''"),
                        QStringLiteral("host 10.0.0.6 name ''"),
                        QStringLiteral("host 10.0.0.7 name ''"),
                    }));
}

void TestKeySender::answersInReverseOrderReachTheirCommands()
{
    auto box = startBox({QStringLiteral("--key-fault"), QStringLiteral("reverse")});
    QVERIFY(box);
    KeySender sender;
    aimAt(sender, *box);
    Outcomes outcomes(&sender);

    sender.sendKey(QStringLiteral("up"));
    sender.sendKey(QStringLiteral("down"));
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.endedCount(), 2, 5000);
    QCOMPARE(outcomes.events, (QStringList{QStringLiteral("sent up"), QStringLiteral("sent down"),
                                           QStringLiteral("ack down"), QStringLiteral("ack up")}));
}

void TestKeySender::silentBoxTimesOutWithNameOrAddress()
{
    auto box = startBox({QStringLiteral("--key-fault"), QStringLiteral("silent")});
    QVERIFY(box);
    KeySender named;
    aimAt(named, *box);
    named.setDeviceName(QStringLiteral("Bedroom"));
    KeySender unnamed;
    aimAt(unnamed, *box);
    Outcomes namedOutcomes(&named);
    Outcomes unnamedOutcomes(&unnamed);

    QElapsedTimer clock;
    clock.start();
    named.sendKey(QStringLiteral("up"));
    unnamed.sendKey(QStringLiteral("guide"));
    // Sent at once, failed later.
    QCOMPARE(namedOutcomes.events, QStringList{QStringLiteral("sent up")});
    QCOMPARE(unnamedOutcomes.events, QStringList{QStringLiteral("sent guide")});

    QTRY_COMPARE_WITH_TIMEOUT(namedOutcomes.endedCount() + unnamedOutcomes.endedCount(), 2,
                              kAfterTimeoutMs);
    QVERIFY2(clock.elapsed() >= 2000, "the time limit is 2000 ms; it never ends early");
    QCOMPARE(namedOutcomes.events.value(1), QStringLiteral("fail up: no response from Bedroom"));
    QCOMPARE(unnamedOutcomes.events.value(1),
             QStringLiteral("fail guide: no response from 127.0.0.1"));
    QCOMPARE(box->keysReceived().size(), 2); // they did reach the box
}

void TestKeySender::rejectedCommand()
{
    auto box = startBox();
    QVERIFY(box);
    KeySender sender;
    aimAt(sender, *box);
    Outcomes outcomes(&sender);

    sender.sendKey(QStringLiteral("Guide")); // commands of letters are lower case
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.endedCount(), 1, 5000);
    QCOMPARE(outcomes.events.value(1),
             QStringLiteral("fail Guide: device could not parse the key string"));
    QCOMPARE(box->keysReceived().value(0).result, 1);
}

void TestKeySender::ignorableRepliesChangeNothing()
{
    // Before each real answer the box sends a 7-byte reply, one with another magic, one of kind
    // 0 and one for a sequence not in flight, all with a failing result.
    auto box = startBox({QStringLiteral("--key-fault"), QStringLiteral("junk")});
    QVERIFY(box);
    KeySender sender;
    aimAt(sender, *box);
    Outcomes outcomes(&sender);

    sender.sendKey(QStringLiteral("ok"));
    sender.sendKey(QStringLiteral("#2"));
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.endedCount(), 2, 5000);
    QTest::qWait(300); // room for anything that would still come
    QCOMPARE(outcomes.events, (QStringList{QStringLiteral("sent ok"), QStringLiteral("sent #2"),
                                           QStringLiteral("ack ok"), QStringLiteral("ack #2")}));
    QCOMPARE(sender.pendingCount(), 0);
}

void TestKeySender::lateReplyAfterTimeoutIsIgnored()
{
    auto box = startBox({QStringLiteral("--key-fault"), QStringLiteral("late"),
                         QStringLiteral("--key-delay-ms"), QStringLiteral("2400")});
    QVERIFY(box);
    KeySender sender;
    aimAt(sender, *box);
    Outcomes outcomes(&sender);

    sender.sendKey(QStringLiteral("menu"));
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.endedCount(), 1, kAfterTimeoutMs);
    QCOMPARE(outcomes.events.value(1), QStringLiteral("fail menu: no response from 127.0.0.1"));
    QTest::qWait(1200); // the answer arrives 400 ms after the time limit
    QCOMPARE(outcomes.events.size(), 2);
}

void TestKeySender::moreThan255InFlightEachEndOnce_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("commands");

    QTest::newRow("answering box") << QStringLiteral("none") << 700;
    QTest::newRow("silent box") << QStringLiteral("silent") << 300;
}

void TestKeySender::moreThan255InFlightEachEndOnce()
{
    QFETCH(QString, fault);
    QFETCH(int, commands);

    auto box = startBox({QStringLiteral("--key-fault"), fault});
    QVERIFY(box);
    KeySender sender;
    aimAt(sender, *box);
    Outcomes outcomes(&sender);

    // Sent without returning to the event loop, so no answer is read in between.
    for (int i = 0; i < commands; ++i)
        sender.sendKey(QStringLiteral("k%1").arg(i));
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.endedCount(), commands, kAfterTimeoutMs);
    QTest::qWait(2500); // every timer has fired by now
    QCOMPARE(outcomes.endedCount(), commands);
    QCOMPARE(outcomes.ended.size(), commands);
    for (auto it = outcomes.ended.cbegin(); it != outcomes.ended.cend(); ++it)
        QVERIFY2(it.value() == 1, qPrintable(it.key()));
    QCOMPARE(sender.pendingCount(), 0);
}

QTEST_GUILESS_MAIN(TestKeySender)
#include "tst_keysender.moc"
