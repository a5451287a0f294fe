// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The bytes a box receives from the transports, captured by the stand-in box, compared with the
// self-test's vectors: what goes on the wire is exactly the documented layout.
#include "boxsimprocess.h"

#include <svptransport.h>

#include <QTest>

namespace {

const QString kBoxAddress = QStringLiteral("127.0.0.3");
const QByteArray kSelfTestId = QByteArray("acdbda613cb9").leftJustified(16, '\0');

} // namespace

class TestWireCapture : public QObject
{
    Q_OBJECT

private slots:
    void tcpRequests_data();
    void tcpRequests();
    void udpRequest();
};

void TestWireCapture::tcpRequests_data()
{
    QTest::addColumn<quint16>("api");
    QTest::addColumn<QList<quint32>>("args");
    QTest::addColumn<quint16>("requestId");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("captured");

    QTest::newRow("V1 ping") << quint16(0)
                             << QList<quint32>{0x11223344u, 0x55667788u, 0x99aabbccu, 0}
                             << quint16(1) << QByteArray()
                             << "535672700000100061636462646136313363623900000000000100001122334455"
                                "66778899aabbcc000000000000000000000000000000000000000000000000";
    QTest::newRow("V2 list") << quint16(1) << QList<quint32>{1, 0, 0, 0} << quint16(7)
                             << QByteArray()
                             << "535672700000100061636462646136313363623900000000000700010000000100"
                                "00000000000000000000000000000000000000000000000000000000000000";
    QTest::newRow("V3 start") << quint16(2) << QList<quint32>{7, 120, 1700000000u, 0} << quint16(42)
                              << QByteArray()
                              << "535672700000100061636462646136313363623900000000002a0002000000070"
                                 "00000786553f100000000000000000000000000000000000000000000000000";
    QTest::newRow("V4 delete")
        << quint16(5) << QList<quint32>{42, 1, 1, 1700000000u} << quint16(99) << QByteArray()
        << "535672700000100061636462646136313363623900000000006300050000002a00000001000000010000000"
           "0000000006553f100000000000000000000000000";
    // The transport fills both length fields and appends the payload and its zero byte:
    // 64 + 33 + 1 bytes.
    QTest::newRow("V5 download")
        << quint16(18) << QList<quint32>{0, 0, 0, 0} << quint16(3)
        << QByteArray("{\"path\": \"thumbnails/rec_42.jpg\"}")
        << "535672700000100061636462646136313363623900000000000300120000000000000000000000000000002"
           "20000002200000000000000000000000000000000"
           "7b2270617468223a20227468756d626e61696c732f7265635f34322e6a7067227d00";
}

void TestWireCapture::tcpRequests()
{
    QFETCH(quint16, api);
    QFETCH(QList<quint32>, args);
    QFETCH(quint16, requestId);
    QFETCH(QByteArray, payload);
    QFETCH(QString, captured);

    BoxSimProcess box({QStringLiteral("--address"), kBoxAddress, QStringLiteral("--svp-port"),
                       QStringLiteral("0"), QStringLiteral("--no-discovery"),
                       QStringLiteral("--trace")});
    QString error;
    QVERIFY2(box.start(&error), qPrintable(error));
    const SvpHeader header(api, kSelfTestId, args[0], args[1], args[2], args[3], requestId);
    const SvpResponse r = svpRequestTcp(kBoxAddress, box.svpPort(), header, payload, 5000);
    QCOMPARE(r.error, QString());
    QCOMPARE(box.received(), QStringList{QStringLiteral("tcp ") + captured});
    QCOMPARE(captured.size() / 2, payload.isEmpty() ? 64 : 64 + payload.size() + 1);
}

void TestWireCapture::udpRequest()
{
    BoxSimProcess box({QStringLiteral("--address"), kBoxAddress, QStringLiteral("--svp-port"),
                       QStringLiteral("0"), QStringLiteral("--no-discovery"),
                       QStringLiteral("--trace")});
    QString error;
    QVERIFY2(box.start(&error), qPrintable(error));
    const SvpHeader header(SVP_API_PING, kSelfTestId, 0x11223344u, 0x55667788u, 0x99aabbccu, 0, 1);
    const SvpResponse r = svpRequestUdp(kBoxAddress, box.svpPort(), header, 1000);
    QCOMPARE(r.error, QString());
    QCOMPARE(box.received(),
             QStringList{QStringLiteral("udp 5356727000001000616364626461363133636239000000000001"
                                        "0000112233445566778899aabbcc00000000000000000000000000"
                                        "0000000000000000000000")});
}

QTEST_GUILESS_MAIN(TestWireCapture)
#include "tst_wirecapture.moc"
