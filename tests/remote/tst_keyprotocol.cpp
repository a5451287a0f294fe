// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The "Nkey" datagrams as bytes: what the sender puts on the wire and which replies it accepts.
#include "keyprotocol.h"

#include <QTest>

class TestKeyProtocol : public QObject
{
    Q_OBJECT

private slots:
    void requestLayout_data();
    void requestLayout();
    void replyAcceptance_data();
    void replyAcceptance();
    void boxReadsWhatTheSenderWrites();
};

void TestKeyProtocol::requestLayout_data()
{
    QTest::addColumn<int>("sequence");
    QTest::addColumn<QByteArray>("keys");

    QTest::newRow("first command") << 1 << QByteArray("up");
    QTest::newRow("wrapped sequence") << 0 << QByteArray("#5");
    QTest::newRow("last sequence") << 255 << QByteArray("POWER");
    QTest::newRow("multi-byte UTF-8") << 7 << QString::fromUtf8("caf\xc3\xa9").toUtf8();
    QTest::newRow("longest command") << 9 << QByteArray(255, 'k');
}

void TestKeyProtocol::requestLayout()
{
    QFETCH(int, sequence);
    QFETCH(QByteArray, keys);

    const QByteArray d = keyproto::packRequest(quint8(sequence), keys);
    QCOMPARE(d.size(), 328);
    QCOMPARE(d.left(4), QByteArray("Nkey"));
    QCOMPARE(int(quint8(d.at(4))), 1); // protocol byte
    QCOMPARE(int(quint8(d.at(5))), 0); // kind: request
    QCOMPARE(int(quint8(d.at(6))), 0); // result
    QCOMPARE(int(quint8(d.at(7))), sequence);
    QCOMPARE(d.mid(8, keys.size()), keys);
    QCOMPARE(d.mid(8 + keys.size()), QByteArray(320 - keys.size(), '\0'));
}

void TestKeyProtocol::replyAcceptance_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("sequence");

    const QByteArray ok("Nkey\x01\x01\x00\x2a", 8);
    QTest::newRow("acknowledgement") << ok << true << 0 << 42;
    QTest::newRow("rejection") << QByteArray("Nkey\x01\x01\x03\x07", 8) << true << 3 << 7;
    QTest::newRow("protocol byte ignored")
        << QByteArray("Nkey\x09\x01\x00\x01", 8) << true << 0 << 1;
    QTest::newRow("bytes past 8 ignored") << ok + QByteArray("\x01\x02junk", 6) << true << 0 << 42;
    QTest::newRow("seven bytes") << ok.left(7) << false << 0 << 0;
    QTest::newRow("empty") << QByteArray() << false << 0 << 0;
    QTest::newRow("other magic") << QByteArray("NKEY\x01\x01\x00\x2a", 8) << false << 0 << 0;
    QTest::newRow("kind 0") << QByteArray("Nkey\x01\x00\x00\x2a", 8) << false << 0 << 0;
    QTest::newRow("kind 2") << QByteArray("Nkey\x01\x02\x00\x2a", 8) << false << 0 << 0;
    QTest::newRow("a request echoed back") << keyproto::packRequest(42, "up") << false << 0 << 0;
}

void TestKeyProtocol::replyAcceptance()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, accepted);
    QFETCH(int, result);
    QFETCH(int, sequence);

    const auto reply = keyproto::parseReply(datagram);
    QCOMPARE(reply.has_value(), accepted);
    if (reply) {
        QCOMPARE(int(reply->result), result);
        QCOMPARE(int(reply->sequence), sequence);
    }
}

void TestKeyProtocol::boxReadsWhatTheSenderWrites()
{
    const QByteArray keys = QString::fromUtf8("#9").toUtf8();
    const auto request = keyproto::parseRequest(keyproto::packRequest(200, keys));
    QVERIFY(request);
    QCOMPARE(int(request->sequence), 200);
    QCOMPARE(request->keys, keys);

    QVERIFY(!keyproto::parseRequest(keyproto::packRequest(1, "up").left(327)));
    const auto reply = keyproto::parseReply(keyproto::packReply(200, 0));
    QVERIFY(reply);
    QCOMPARE(int(reply->sequence), 200);
    QCOMPARE(int(reply->result), 0);
}

QTEST_GUILESS_MAIN(TestKeyProtocol)
#include "tst_keyprotocol.moc"
