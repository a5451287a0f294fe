// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The transports against the stand-in box on loopback, with real sockets.
#include "boxsimprocess.h"

#include <svptransport.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

namespace {

const QString kBoxAddress = QStringLiteral("127.0.0.2");
const QByteArray kClientId = QByteArray("6e6f74616e76").append(4, '\0');

SvpHeader ping(quint32 arg1 = 0)
{
    return SvpHeader(SVP_API_PING, kClientId, 0, arg1, 0, 0, 1);
}

// A port on which nothing listens: bound for a moment, then released.
quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress(QStringLiteral("127.0.0.9")), 0))
        return 0;
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

class TestSvpTransport : public QObject
{
    Q_OBJECT

private slots:
    void tcpSuccess_data();
    void tcpSuccess();
    void noWireBytesMeansNoPayload();
    void deviceStatusIsNoTransportError();
    void tcpFailures_data();
    void tcpFailures();
    void refusedConnect();
    void silentBoxTimesOutAfterTheLimit();
    void udpSuccess();
    void udpFailures_data();
    void udpFailures();
    void udpNeedsALiteralAddress();
};

void TestSvpTransport::tcpSuccess_data()
{
    QTest::addColumn<QStringList>("boxArgs");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("compressed");

    QByteArray big;
    for (int i = 0; big.size() < 200000; ++i)
        big += "{\"play_id\":" + QByteArray::number(i) + ",\"name\":\"Recording\"},";
    QTest::newRow("no payload") << QStringList() << QByteArray() << false;
    QTest::newRow("payload") << QStringList() << QByteArray("hello box") << false;
    QTest::newRow("compressed payload") << QStringList{QStringLiteral("--compress")} << big << true;
    QTest::newRow("large plain payload") << QStringList() << big << false;
}

void TestSvpTransport::tcpSuccess()
{
    QFETCH(QStringList, boxArgs);
    QFETCH(QByteArray, payload);
    QFETCH(bool, compressed);

    BoxSimProcess box(QStringList{QStringLiteral("--address"), kBoxAddress,
                                  QStringLiteral("--svp-port"), QStringLiteral("0"),
                                  QStringLiteral("--no-discovery")} +
                      boxArgs);
    QString error;
    QVERIFY2(box.start(&error), qPrintable(error));

    SvpHeader request = ping(0x1234);
    request.requestId = 77;
    const SvpResponse r = svpRequestTcp(kBoxAddress, box.svpPort(), request, payload, 5000);
    QCOMPARE(r.error, QString());
    QCOMPARE(r.arg0, SVP_STATUS_SUCCESS);
    QCOMPARE(r.arg1, 0x1234u);
    QCOMPARE(r.requestId, quint16(77));
    QCOMPARE(r.api, SVP_API_PING);
    QCOMPARE(r.deviceId, QByteArray("001122334455").append(4, '\0'));
    QCOMPARE(bool(r.flags & SVP_FLAG_COMPRESSED), compressed);
    QCOMPARE(r.payload.size(), payload.size());
    QCOMPARE(r.payload, payload);
    if (compressed)
        QVERIFY(r.wireLength < r.payloadLength / 4);
}

void TestSvpTransport::noWireBytesMeansNoPayload()
{
    // The box announces a payload length but no bytes on the wire, and keeps the connection
    // open: the answer is complete with the header.
    BoxSimProcess box({QStringLiteral("--address"), kBoxAddress, QStringLiteral("--svp-port"),
                       QStringLiteral("0"), QStringLiteral("--no-discovery"),
                       QStringLiteral("--tcp-fault"), QStringLiteral("length-only")});
    QString error;
    QVERIFY2(box.start(&error), qPrintable(error));
    QElapsedTimer clock;
    clock.start();
    const SvpResponse r = svpRequestTcp(kBoxAddress, box.svpPort(), ping(), {}, 5000);
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(r.error, QString());
    QCOMPARE(r.payloadLength, 50u);
    QCOMPARE(r.wireLength, 0u);
    QVERIFY(r.payload.isEmpty());
}

void TestSvpTransport::deviceStatusIsNoTransportError()
{
    BoxSimProcess box({QStringLiteral("--address"), kBoxAddress, QStringLiteral("--svp-port"),
                       QStringLiteral("0"), QStringLiteral("--no-discovery")});
    QString error;
    QVERIFY2(box.start(&error), qPrintable(error));
    const SvpResponse r =
        svpRequestTcp(kBoxAddress, box.svpPort(), SvpHeader(999, kClientId), QByteArray(), 5000);
    QCOMPARE(r.error, QString());
    QCOMPARE(r.arg0, 3u);
    QCOMPARE(svpStatusName(r.arg0), QStringLiteral("BAD_API"));
}

void TestSvpTransport::tcpFailures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("headerUnpacked");

    QTest::newRow("short header then close")
        << "short-header" << QByteArray() << "no response header (timeout/closed)" << false;
    QTest::newRow("bad magic") << "bad-magic" << QByteArray() << "bad response header (magic/size)"
                               << false;
    QTest::newRow("truncated payload")
        << "truncated" << QByteArray("sixty bytes or so of payload that never all arrive")
        << "truncated response payload" << true;
    QTest::newRow("truncated, no payload")
        << "truncated" << QByteArray() << "truncated response payload" << true;
    QTest::newRow("oversize announcement")
        << "oversize" << QByteArray()
        << "response payload too large: 4294967040 bytes announced, limit 67108864" << true;
    QTest::newRow("absurd inflated size")
        << "huge-inflate" << QByteArray("x")
        << "compressed response payload too large: 4026531840 bytes announced, limit 67108864"
        << true;
    QTest::newRow("inflate bomb")
        << "inflate-bomb" << QByteArray()
        << "compressed response payload inflates past the limit of 67108864 bytes" << true;
}

void TestSvpTransport::tcpFailures()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, payload);
    QFETCH(QString, error);
    QFETCH(bool, headerUnpacked);

    BoxSimProcess box({QStringLiteral("--address"), kBoxAddress, QStringLiteral("--svp-port"),
                       QStringLiteral("0"), QStringLiteral("--no-discovery"),
                       QStringLiteral("--tcp-fault"), fault});
    QString startError;
    QVERIFY2(box.start(&startError), qPrintable(startError));

    // Every one of these is decided by what the box sends, never by waiting for the deadline.
    QElapsedTimer clock;
    clock.start();
    const SvpResponse r = svpRequestTcp(kBoxAddress, box.svpPort(), ping(5), payload, 20000);
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(r.error, error);
    QVERIFY(r.payload.isEmpty());
    if (headerUnpacked) {
        QCOMPARE(r.api, SVP_API_PING);
        QCOMPARE(r.arg1, 5u);
    } else {
        // Before a header was unpacked the result holds the defaults: status 0 means nothing.
        QCOMPARE(r.arg0, 0u);
        QCOMPARE(r.arg1, 0u);
        QCOMPARE(r.control2, quint8(16));
        QVERIFY(r.deviceId.isEmpty());
    }
}

void TestSvpTransport::refusedConnect()
{
    const quint16 port = closedPort();
    QVERIFY(port != 0);
    const SvpResponse r = svpRequestTcp(QStringLiteral("127.0.0.9"), port, ping(), {}, 2000);
    QCOMPARE(r.error,
             QStringLiteral("connect to 127.0.0.9:%1 failed: Connection refused").arg(port));
    QCOMPARE(r.arg0, 0u);
}

void TestSvpTransport::silentBoxTimesOutAfterTheLimit()
{
    BoxSimProcess box({QStringLiteral("--address"), kBoxAddress, QStringLiteral("--svp-port"),
                       QStringLiteral("0"), QStringLiteral("--no-discovery"),
                       QStringLiteral("--tcp-fault"), QStringLiteral("silent")});
    QString error;
    QVERIFY2(box.start(&error), qPrintable(error));
    QElapsedTimer clock;
    clock.start();
    const SvpResponse r = svpRequestTcp(kBoxAddress, box.svpPort(), ping(), {}, 700);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(r.error, QStringLiteral("no response header (timeout/closed)"));
    QVERIFY2(elapsed >= 650 && elapsed < 2500, qPrintable(QString::number(elapsed)));
}

void TestSvpTransport::udpSuccess()
{
    BoxSimProcess box({QStringLiteral("--address"), kBoxAddress, QStringLiteral("--svp-port"),
                       QStringLiteral("0"), QStringLiteral("--no-discovery")});
    QString error;
    QVERIFY2(box.start(&error), qPrintable(error));
    SvpHeader request(SVP_API_PLAY_POS, kClientId, 42, 1234);
    const SvpResponse r = svpRequestUdp(kBoxAddress, box.svpPort(), request, 1000);
    QCOMPARE(r.error, QString());
    QCOMPARE(r.arg0, 5u); // a play id the box does not know: NOT_FOUND, still an answer
    QCOMPARE(r.api, SVP_API_PLAY_POS);

    const SvpResponse pong = svpRequestUdp(kBoxAddress, box.svpPort(), ping(99), 1000);
    QCOMPARE(pong.error, QString());
    QCOMPARE(pong.arg0, SVP_STATUS_SUCCESS);
    QCOMPARE(pong.arg1, 99u);
    QVERIFY(pong.payload.isEmpty());
}

void TestSvpTransport::udpFailures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("minMs");
    QTest::newRow("no answer") << "silent"
                               << "udp request timed out after 300ms" << 280;
    QTest::newRow("short answer") << "short"
                                  << "bad udp response" << 0;
    QTest::newRow("wrong magic") << "bad-magic"
                                 << "bad udp response" << 0;
}

void TestSvpTransport::udpFailures()
{
    QFETCH(QString, fault);
    QFETCH(QString, error);
    QFETCH(int, minMs);
    BoxSimProcess box({QStringLiteral("--address"), kBoxAddress, QStringLiteral("--svp-port"),
                       QStringLiteral("0"), QStringLiteral("--no-discovery"),
                       QStringLiteral("--udp-fault"), fault});
    QString startError;
    QVERIFY2(box.start(&startError), qPrintable(startError));
    QElapsedTimer clock;
    clock.start();
    const SvpResponse r = svpRequestUdp(kBoxAddress, box.svpPort(), ping(), 300);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(r.error, error);
    QCOMPARE(r.arg0, 0u);
    QVERIFY2(elapsed >= minMs && elapsed < 2000, qPrintable(QString::number(elapsed)));
}

void TestSvpTransport::udpNeedsALiteralAddress()
{
    const SvpResponse r = svpRequestUdp(QStringLiteral("box.invalid"), SVP_PORT, ping(), 300);
    QVERIFY2(r.error.startsWith(QLatin1String("udp send failed: ")), qPrintable(r.error));
}

QTEST_GUILESS_MAIN(TestSvpTransport)
#include "tst_svptransport.moc"
