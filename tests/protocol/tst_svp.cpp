// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include <svp.h>

#include <QTest>

#include <cstring>

namespace {

const QByteArray kSelfTestId = QByteArray("acdbda613cb9").leftJustified(16, '\0');

// A header whose every field holds a different value, so a swapped or dropped field shows.
SvpHeader distinctHeader()
{
    SvpHeader h(0x0102, QByteArray("0123456789abcdef"), 0x11121314u, 0x21222324u, 0x31323334u,
                0x41424344u, 0x0506);
    h.control0 = 0xa1;
    h.control1 = 0xa2;
    h.control2 = 0xa3;
    h.flags = 0xa4;
    h.payloadLength = 0x51525354u;
    h.wireLength = 0x61626364u;
    h.reserved0 = 0x71727374u;
    h.reserved1 = 0x81828384u;
    h.reserved2 = 0x91929394u;
    return h;
}

bool sameHeader(const SvpHeader &a, const SvpHeader &b)
{
    return a.control0 == b.control0 && a.control1 == b.control1 && a.control2 == b.control2 &&
           a.flags == b.flags && a.deviceId == b.deviceId && a.requestId == b.requestId &&
           a.api == b.api && a.arg0 == b.arg0 && a.arg1 == b.arg1 && a.arg2 == b.arg2 &&
           a.payloadLength == b.payloadLength && a.wireLength == b.wireLength && a.arg3 == b.arg3 &&
           a.reserved0 == b.reserved0 && a.reserved1 == b.reserved1 && a.reserved2 == b.reserved2;
}

QByteArray zlibStream(const QByteArray &data)
{
    return qCompress(data, 9).mid(4);
}

} // namespace

class TestSvp : public QObject
{
    Q_OBJECT

private slots:
    void defaultHeaderPacks();
    void vectors_data();
    void vectors();
    void unpackRoundTripsEveryField();
    void unpackRefuses_data();
    void unpackRefuses();
    void deviceIdField_data();
    void deviceIdField();
    void statusTexts_data();
    void statusTexts();
    void fnv_data();
    void fnv();
    void signedPingVerifies();
    void signatureCoversEveryByteOutsideTheKey();
    void signatureSizeChecks();
    void signatureHashMatchesTheKey();
    void inflate_data();
    void inflate();
    void inflateRefusesBeyondTheLimit();
    void decodePayload_data();
    void decodePayload();
    void fixedText_data();
    void fixedText();
};

void TestSvp::defaultHeaderPacks()
{
    const QByteArray packed = SvpHeader().pack();
    QCOMPARE(packed.size(), 64);
    QByteArray want("SVrp\x00\x00\x10\x00", 8);
    want += QByteArray(16, '\0');
    want += QByteArray("\x00\x01", 2);
    want += QByteArray(38, '\0');
    QCOMPARE(packed.toHex(), want.toHex());
}

void TestSvp::vectors_data()
{
    QTest::addColumn<quint16>("api");
    QTest::addColumn<quint32>("arg0");
    QTest::addColumn<quint32>("arg1");
    QTest::addColumn<quint32>("arg2");
    QTest::addColumn<quint32>("arg3");
    QTest::addColumn<quint16>("requestId");
    QTest::addColumn<quint32>("length");
    QTest::addColumn<QByteArray>("want");

    QTest::newRow("svp_ping") << quint16(0) << 0x11223344u << 0x55667788u << 0x99aabbccu << 0u
                              << quint16(1) << 0u
                              << QByteArray("53567270000010006163646264613631336362390000000000"
                                            "010000112233445566778899aabbcc000000000000000000"
                                            "000000000000000000000000000000");
    QTest::newRow("svp_dvr_list_play")
        << quint16(1) << 1u << 0u << 0u << 0u << quint16(7) << 0u
        << QByteArray("5356727000001000616364626461363133636239000000000007000100000001000000"
                      "0000000000000000000000000000000000000000000000000000000000");
    QTest::newRow("svp_dvr_start")
        << quint16(2) << 7u << 120u << 1700000000u << 0u << quint16(42) << 0u
        << QByteArray("535672700000100061636462646136313363623900000000002a000200000007000000"
                      "786553f100000000000000000000000000000000000000000000000000");
    QTest::newRow("svp_dvr_delete")
        << quint16(5) << 42u << 1u << 1u << 1700000000u << quint16(99) << 0u
        << QByteArray("535672700000100061636462646136313363623900000000006300050000002a000000"
                      "010000000100000000000000006553f100000000000000000000000000");
    QTest::newRow("svp_file_download_header")
        << quint16(18) << 0u << 0u << 0u << 0u << quint16(3) << 34u
        << QByteArray("5356727000001000616364626461363133636239000000000003001200000000000000"
                      "0000000000000000220000002200000000000000000000000000000000");
}

void TestSvp::vectors()
{
    QFETCH(quint16, api);
    QFETCH(quint32, arg0);
    QFETCH(quint32, arg1);
    QFETCH(quint32, arg2);
    QFETCH(quint32, arg3);
    QFETCH(quint16, requestId);
    QFETCH(quint32, length);
    QFETCH(QByteArray, want);

    SvpHeader h(api, kSelfTestId, arg0, arg1, arg2, arg3, requestId);
    h.payloadLength = length;
    h.wireLength = length;
    QCOMPARE(h.pack().toHex(), want);
}

void TestSvp::unpackRoundTripsEveryField()
{
    const SvpHeader sent = distinctHeader();
    SvpHeader back;
    QVERIFY(SvpHeader::unpack(sent.pack(), back));
    QVERIFY(sameHeader(sent, back));
    QCOMPARE(back.pack(), sent.pack());
}

void TestSvp::unpackRefuses_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = SvpHeader(SVP_API_DVR_START, "id").pack();
    QTest::newRow("63 bytes") << good.left(63);
    QTest::newRow("65 bytes") << good + QByteArray(1, '\0');
    QTest::newRow("empty") << QByteArray();
    QByteArray wrong = good;
    wrong[3] = 'P';
    QTest::newRow("wrong magic") << wrong;
    QTest::newRow("discovery magic") << QByteArray("SVnv").append(good.mid(4));
}

void TestSvp::unpackRefuses()
{
    QFETCH(QByteArray, bytes);
    const SvpHeader before = distinctHeader();
    SvpHeader out = before;
    QVERIFY(!SvpHeader::unpack(bytes, out));
    QVERIFY(sameHeader(out, before));
}

void TestSvp::deviceIdField_data()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("12 bytes") << QByteArray("001122334455")
                              << QByteArray("001122334455").append(4, '\0');
    QTest::newRow("20 bytes cut") << QByteArray("0123456789abcdefWXYZ")
                                  << QByteArray("0123456789abcdef");
    QTest::newRow("empty") << QByteArray() << QByteArray(16, '\0');
}

void TestSvp::deviceIdField()
{
    QFETCH(QByteArray, id);
    QFETCH(QByteArray, field);
    const QByteArray packed = SvpHeader(SVP_API_PING, id).pack();
    QCOMPARE(packed.mid(8, 16), field);
    QCOMPARE(packed.mid(24, 2), QByteArray("\x00\x01", 2)); // the id never spills over
    SvpHeader back;
    QVERIFY(SvpHeader::unpack(packed, back));
    QCOMPARE(back.deviceId, field);
    QCOMPARE(back.deviceId.size(), 16);
}

void TestSvp::statusTexts_data()
{
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("0") << 0u << "SUCCESS"
                       << "SVP request completed successfully";
    QTest::newRow("1") << 1u << "FAIL"
                       << "Generic failure indication";
    QTest::newRow("3") << 3u << "BAD_API"
                       << "SVP_API_XXX value in message not recognized/supported";
    QTest::newRow("10") << 10u << "NO_LICENSE"
                        << "Remote play not allowed without a 14-day guide data subscription";
    QTest::newRow("15") << 15u << "BAD_RESPONSE"
                        << "Response message doesn't match request";
    QTest::newRow("19") << 19u << "SW_TOO_OLD"
                        << "Software is too old to allow DRM (currently 90 days)";
    QTest::newRow("24") << 24u << "RECORD_ACTIVE"
                        << "Recording is still active";
    QTest::newRow("25") << 25u << "UNKNOWN(25)"
                        << "Unexpected error from the device (code 25)";
    QTest::newRow("2^31") << 2147483648u << "UNKNOWN(2147483648)"
                          << "Unexpected error from the device (code 2147483648)";
    QTest::newRow("max") << 4294967295u << "UNKNOWN(4294967295)"
                         << "Unexpected error from the device (code 4294967295)";
}

void TestSvp::statusTexts()
{
    QFETCH(quint32, code);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QCOMPARE(svpStatusName(code), name);
    QCOMPARE(svpStatusMessage(code), message);
}

void TestSvp::fnv_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint32>("hash");
    QTest::newRow("abc") << QByteArray("abc") << 0x1a47e90bu;
    QTest::newRow("nothing") << QByteArray() << 2166136261u;
    QTest::newRow("Solvane Norplay") << QByteArray("Solvane Norplay") << 0xbc3ffe18u;
    // High bytes must count as unsigned: a signed char would give another hash.
    QTest::newRow("0xff") << QByteArray("\xff", 1) << 0x7a0b824eu;
}

void TestSvp::fnv()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, hash);
    QCOMPARE(fnv1a32(bytes), hash);
}

void TestSvp::signedPingVerifies()
{
    const QByteArray ping =
        SvpHeader(SVP_API_PING, kSelfTestId, 0x11223344u, 0x55667788u, 0x99aabbccu).pack();
    QByteArray first = ping;
    QByteArray second = ping;
    QVERIFY(svpSign(first));
    QVERIFY(svpSign(second));
    QVERIFY(svpVerify(first));
    QVERIFY(svpVerify(second));
    // Only bytes 48-63 change, and the random words differ between two signatures.
    QCOMPARE(first.left(48), ping.left(48));
    QVERIFY(first.mid(48) != second.mid(48));
}

void TestSvp::signatureCoversEveryByteOutsideTheKey()
{
    QByteArray packet = SvpHeader(SVP_API_PING, kSelfTestId, 1, 2, 3).pack();
    QVERIFY(svpSign(packet));
    for (int i = 0; i < 48; ++i) {
        QByteArray changed = packet;
        changed[i] = char(changed[i] ^ 0x01);
        QVERIFY2(!svpVerify(changed), qPrintable(QStringLiteral("byte %1").arg(i)));
    }
}

void TestSvp::signatureSizeChecks()
{
    QByteArray packet = SvpHeader(SVP_API_PING, kSelfTestId).pack();
    QVERIFY(svpSign(packet));
    QVERIFY(!svpVerify(packet.left(63)));
    QByteArray shortPacket = SvpHeader(SVP_API_PING, kSelfTestId).pack().left(63);
    const QByteArray before = shortPacket;
    QVERIFY(!svpSign(shortPacket));
    QCOMPARE(shortPacket, before);
    QVERIFY(!svpVerify(packet + QByteArray(1, '\0')));
}

void TestSvp::signatureHashMatchesTheKey()
{
    // The value was computed outside this code base from the key words and the V1 bytes.
    QByteArray packet =
        SvpHeader(SVP_API_PING, kSelfTestId, 0x11223344u, 0x55667788u, 0x99aabbccu).pack();
    QVERIFY(svpSign(packet));
    const auto *p = reinterpret_cast<const uchar *>(packet.constData());
    const quint32 stored =
        (quint32(p[53]) << 24) | (quint32(p[54]) << 16) | (quint32(p[57]) << 8) | p[58];
    QCOMPARE(stored, 0x05153d0du);
}

void TestSvp::inflate_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<quint32>("payloadLength");
    QTest::addColumn<QByteArray>("want");

    const QByteArray list("{\"recordings\":[1,2,3]}");
    QTest::newRow("list") << zlibStream(list) << 22u << list;
    QTest::newRow("announced too small") << zlibStream(list) << 3u << list;
    QTest::newRow("nothing announced") << zlibStream(list) << 0u << list;
    const QByteArray big(300000, 'n');
    QTest::newRow("grows past the guess") << zlibStream(big) << 1000u << big;
    QByteArray corrupt = zlibStream(list);
    corrupt[corrupt.size() - 1] = char(corrupt[corrupt.size() - 1] ^ 0x55); // Adler-32
    QTest::newRow("bad checksum") << corrupt << 22u << QByteArray();
    QTest::newRow("cut short") << zlibStream(list).left(8) << 22u << QByteArray();
    QTest::newRow("not zlib") << QByteArray("{\"plain\":true}") << 15u << QByteArray();
    QTest::newRow("empty") << QByteArray() << 0u << QByteArray();
}

void TestSvp::inflate()
{
    QFETCH(QByteArray, wire);
    QFETCH(quint32, payloadLength);
    QFETCH(QByteArray, want);
    QCOMPARE(svpInflate(wire, payloadLength), want);
}

void TestSvp::inflateRefusesBeyondTheLimit()
{
    const QByteArray atLimit(qsizetype(SVP_MAX_PAYLOAD_BYTES), 'z');
    const QByteArray stream = zlibStream(atLimit);
    QByteArray out;
    QCOMPARE(svpInflateChecked(stream, 23, &out), SvpInflateStatus::Ok);
    QCOMPARE(out.size(), atLimit.size());

    const QByteArray bomb = zlibStream(atLimit + QByteArray(1, 'z'));
    QCOMPARE(svpInflateChecked(bomb, 23, &out), SvpInflateStatus::TooLarge);
    QVERIFY(out.isEmpty());
    QVERIFY(svpInflate(bomb, 0).isEmpty());
}

void TestSvp::decodePayload_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<int>("flags");
    QTest::addColumn<quint32>("payloadLength");
    QTest::addColumn<QByteArray>("want");

    const QByteArray list("{\"recordings\":[1,2,3]}");
    const QByteArray text = list + QByteArray(1, '\0');
    QTest::newRow("compressed, length 23") << zlibStream(text) << 2 << 23u << list;
    QTest::newRow("plain, length 23") << text << 0 << 23u << list;
    QTest::newRow("plain, no length") << text << 0 << 0u << text;
    QTest::newRow("length shorter than data") << text << 0 << 5u << QByteArray("{\"re");
    QTest::newRow("length 1") << text << 0 << 1u << QByteArray();
    QTest::newRow("other flag bits") << text << 0xfd << 23u << list;
    QTest::newRow("compressed, corrupt") << QByteArray("garbage") << 2 << 23u << QByteArray();
}

void TestSvp::decodePayload()
{
    QFETCH(QByteArray, wire);
    QFETCH(int, flags);
    QFETCH(quint32, payloadLength);
    QFETCH(QByteArray, want);
    QCOMPARE(svpDecodePayload(wire, quint8(flags), payloadLength), want);
}

void TestSvp::fixedText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("padded") << QByteArray("Living Room").append(5, '\0') << "Living Room";
    QTest::newRow("full") << QByteArray("ABCDEFGHIJKLMNOP") << "ABCDEFGHIJKLMNOP";
    QTest::newRow("stops at first zero") << QByteArray("ab\0cd", 5) << "ab";
    QTest::newRow("all zero") << QByteArray(16, '\0') << "";
    QTest::newRow("latin-1") << QByteArray("Caf\xe9", 4) << QString::fromUtf8("Caf\xc3\xa9");
}

void TestSvp::fixedText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(::fixedText(bytes), text);
}

QTEST_GUILESS_MAIN(TestSvp)
#include "tst_svp.moc"
