// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "selftest.h"

#include "imgr.h"
#include "svp.h"

#include <QTextStream>

#include <cstdio>

namespace {

// The hash that SvpSignKey gives the signed PING packet below (bytes 48-63 replaced by the key).
constexpr quint32 kPingSignature = 0x05153d0du;

const QByteArray kDeviceId = QByteArray("acdbda613cb9").leftJustified(16, '\0');

const char *const kV1 = "5356727000001000616364626461363133636239000000000001000011223344"
                        "5566778899aabbcc000000000000000000000000000000000000000000000000";
const char *const kV2 = "5356727000001000616364626461363133636239000000000007000100000001"
                        "0000000000000000000000000000000000000000000000000000000000000000";
const char *const kV3 = "535672700000100061636462646136313363623900000000002a000200000007"
                        "000000786553f100000000000000000000000000000000000000000000000000";
const char *const kV4 = "535672700000100061636462646136313363623900000000006300050000002a"
                        "000000010000000100000000000000006553f100000000000000000000000000";
const char *const kV5 = "5356727000001000616364626461363133636239000000000003001200000000"
                        "0000000000000000000000220000002200000000000000000000000000000000";
const char *const kV6 = "53566e7600030001616364626461363133636239000000003139322e3136382e"
                        "31312e3530000000507974686f6e205465737400000000000000000000000000"
                        "00000000000000000000000000000000000000000000000000000000";
const char *const kV7 = "53566e7600020301303031313232333334343535000000003139322e3136382e"
                        "31312e31323600004c6976696e6720526f6f6d00000000004e562d3130303000"
                        "0000000000000000040100006553f100000000000000000000000000";

SelfTestCase vectorCase(const char *name, const QByteArray &got, const char *wantHex)
{
    SelfTestCase c;
    c.name = QString::fromLatin1(name);
    c.kind = SelfTestCase::Kind::Vector;
    c.got = got;
    c.want = QByteArray::fromHex(wantHex);
    c.passed = c.got == c.want;
    return c;
}

SelfTestCase hashCase(const char *name, quint32 got, quint32 want)
{
    SelfTestCase c;
    c.name = QString::fromLatin1(name);
    c.kind = SelfTestCase::Kind::Hash;
    c.gotHash = got;
    c.wantHash = want;
    c.passed = got == want;
    return c;
}

SelfTestCase checkCase(const char *name, bool passed)
{
    SelfTestCase c;
    c.name = QString::fromLatin1(name);
    c.kind = SelfTestCase::Kind::Check;
    c.passed = passed;
    return c;
}

quint32 storedHash(const QByteArray &packet)
{
    if (packet.size() < 59)
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(packet.constData());
    return (quint32(p[53]) << 24) | (quint32(p[54]) << 16) | (quint32(p[57]) << 8) | p[58];
}

} // namespace

QList<SelfTestCase> selfTestCases()
{
    QList<SelfTestCase> cases;

    const SvpHeader ping(SVP_API_PING, kDeviceId, 0x11223344u, 0x55667788u, 0x99aabbccu, 0, 1);
    cases << vectorCase("svp_ping", ping.pack(), kV1);
    cases << vectorCase("svp_dvr_list_play",
                        SvpHeader(SVP_API_DVR_LIST_PLAY, kDeviceId, 1, 0, 0, 0, 7).pack(), kV2);
    cases << vectorCase("svp_dvr_start",
                        SvpHeader(SVP_API_DVR_START, kDeviceId, 7, 120, 1700000000u, 0, 42).pack(),
                        kV3);
    cases << vectorCase("svp_dvr_delete",
                        SvpHeader(SVP_API_DVR_DELETE, kDeviceId, 42, 1, 1, 1700000000u, 99).pack(),
                        kV4);

    SvpHeader download(SVP_API_FILE_DOWNLOAD, kDeviceId, 0, 0, 0, 0, 3);
    const QByteArray downloadPath("{\"path\": \"thumbnails/rec_42.jpg\"}");
    download.payloadLength = quint32(downloadPath.size() + 1);
    download.wireLength = download.payloadLength;
    cases << vectorCase("svp_file_download_header", download.pack(), kV5);

    const SvpHeader sent(SVP_API_DVR_START, kDeviceId, 7, 120, 1700000000u, 0xdeadbeefu, 42);
    SvpHeader back;
    const bool unpacked = SvpHeader::unpack(sent.pack(), back);
    cases << checkCase("svp_unpack_ok", unpacked);
    cases << checkCase("svp_roundtrip",
                       unpacked && back.api == sent.api && back.requestId == sent.requestId &&
                           back.arg0 == sent.arg0 && back.arg1 == sent.arg1 &&
                           back.arg2 == sent.arg2 && back.deviceId == sent.deviceId);
    cases << checkCase("svp_roundtrip_tail",
                       unpacked && back.arg3 == sent.arg3 && back.reserved0 == sent.reserved0 &&
                           back.reserved1 == sent.reserved1 && back.reserved2 == sent.reserved2);

    cases << hashCase("fnv_solvane", fnv1a32(QByteArray("Solvane Norplay")), 0xbc3ffe18u);

    QByteArray signedPing = ping.pack();
    svpSign(signedPing);
    cases << checkCase("ping_sign_verify", svpVerify(signedPing));
    cases << hashCase("ping_expected_hash", storedHash(signedPing), kPingSignature);

    const QByteArray listText("{\"recordings\":[1,2,3]}");
    const QByteArray stream = qCompress(listText, 9).mid(4); // drop Qt's length prefix
    cases << checkCase("inflate_roundtrip",
                       svpInflate(stream, quint32(listText.size())) == listText);

    cases << vectorCase(
        "imgr_discover",
        imgr::makeDiscover("acdbda613cb9", "Python Test", QStringLiteral("192.168.11.50")).pack(),
        kV6);

    imgr::ImgrMsg answer;
    answer.control0 = 0;
    answer.type = imgr::IMGR_TYPE_ANSWER;
    answer.flags = 3;
    answer.control3 = 1;
    answer.id = "001122334455";
    answer.ip = "192.168.11.126";
    answer.name = "Living Room";
    answer.model = "NV-1000";
    answer.numTuners = 4;
    answer.subscription = 1;
    answer.value0 = 1700000000u;
    cases << vectorCase("imgr_response", answer.pack(), kV7);

    imgr::ImgrMsg parsed;
    const bool parsedOk = imgr::parseImgr(answer.pack(), parsed);
    cases << checkCase("imgr_unpack", parsedOk &&
                                          fixedText(parsed.name) == QLatin1String("Living Room") &&
                                          fixedText(parsed.ip) == QLatin1String("192.168.11.126") &&
                                          parsed.numTuners == 4 && (parsed.flags & 0x03) == 0x03 &&
                                          parsed.value0 == 1700000000u);
    return cases;
}

int writeSelfTestReport(const QList<SelfTestCase> &cases, QTextStream &out)
{
    int failures = 0;
    out << "SVP/SVnv protocol self-test\n";
    for (const SelfTestCase &c : cases) {
        if (c.passed) {
            out << "  OK   " << c.name << '\n';
            continue;
        }
        ++failures;
        switch (c.kind) {
        case SelfTestCase::Kind::Vector:
            out << "  FAIL " << c.name << '\n';
            out << "    got:  " << QString::fromLatin1(c.got.toHex()) << '\n';
            out << "    want: " << QString::fromLatin1(c.want.toHex()) << '\n';
            break;
        case SelfTestCase::Kind::Hash:
            out << "  FAIL " << c.name << " got=" << QString::number(c.gotHash, 16)
                << " want=" << QString::number(c.wantHash, 16) << '\n';
            break;
        case SelfTestCase::Kind::Check:
            out << "  FAIL " << c.name << '\n';
            break;
        }
    }
    if (failures == 0)
        out << "\nALL PASS\n";
    else
        out << "\n" << failures << " FAILURE(S)\n";
    out.flush();
    return failures;
}

int runSelfTest()
{
    QTextStream out(stdout);
    const int failures = writeSelfTestReport(selfTestCases(), out);
    out.flush();
    std::fflush(stdout);
    return failures;
}
