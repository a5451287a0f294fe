// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "svp.h"

#include <QRandomGenerator64>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

void putU16(char *at, quint16 v)
{
    qToBigEndian(v, at);
}

void putU32(char *at, quint32 v)
{
    qToBigEndian(v, at);
}

quint16 getU16(const char *at)
{
    return qFromBigEndian<quint16>(at);
}

quint32 getU32(const char *at)
{
    return qFromBigEndian<quint32>(at);
}

void writeSignKey(char *at)
{
    for (int i = 0; i < 4; ++i)
        putU32(at + 4 * i, SvpSignKey[i]);
}

quint32 storedSignature(const QByteArray &packet)
{
    const auto *p = reinterpret_cast<const uchar *>(packet.constData());
    return (quint32(p[53]) << 24) | (quint32(p[54]) << 16) | (quint32(p[57]) << 8) | p[58];
}

struct StatusText
{
    const char *name;
    const char *message;
};

constexpr StatusText kStatusTexts[] = {
    {"SUCCESS", "SVP request completed successfully"},
    {"FAIL", "Generic failure indication"},
    {"BUSY", "Remote device is serving the maximum number of clients"},
    {"BAD_API", "SVP_API_XXX value in message not recognized/supported"},
    {"NOT_READY", "Remote device is loading the play database"},
    {"NOT_FOUND", "Requested entry not found"},
    {"NO_DATA", "Recording has no data"},
    {"APP_TOO_OLD", "Application is too old to allow decryption"},
    {"DEVICE_ID_NOT_ALLOWED", "Encrypted recording was not made on this device"},
    {"DATABASE_ERROR", "Database query failed"},
    {"NO_LICENSE", "Remote play not allowed without a 14-day guide data subscription"},
    {"NOT_SHARED", "Requested drive is not shared"},
    {"NETWORK_FAIL", "Network failure"},
    {"BAD_PROTOCOL", "Unsupported protocol version"},
    {"PACKET_ERROR", "SVP message contains errors"},
    {"BAD_RESPONSE", "Response message doesn't match request"},
    {"PLAYBACK_NOT_ALLOWED", "Playback of recording not allowed"},
    {"BAD_INSTANCE", "Request is based on stale data"},
    {"NO_TUNER_AVAILABLE", "No free tuner is available to share"},
    {"SW_TOO_OLD", "Software is too old to allow DRM (currently 90 days)"},
    {"DRM_NOT_ALLOWED", "Device is not allowed to support DRM"},
    {"DRM_NOT_ENABLED", "Device is not enabled for remote DRM"},
    {"FILE_TOO_LARGE", "File is too large to transfer"},
    {"FILE_CANCELLED", "File transfer is cancelled"},
    {"RECORD_ACTIVE", "Recording is still active"},
};

constexpr quint32 kStatusCount = sizeof(kStatusTexts) / sizeof(kStatusTexts[0]);

} // namespace

SvpHeader::SvpHeader(quint16 api_, const QByteArray &deviceId_, quint32 arg0_, quint32 arg1_,
                     quint32 arg2_, quint32 arg3_, quint16 requestId_)
    : deviceId(deviceId_)
    , requestId(requestId_)
    , api(api_)
    , arg0(arg0_)
    , arg1(arg1_)
    , arg2(arg2_)
    , arg3(arg3_)
{}

QByteArray SvpHeader::pack() const
{
    QByteArray out(SVP_HEADER_SIZE, '\0');
    char *p = out.data();
    std::memcpy(p, SVP_MAGIC, 4);
    p[4] = char(control0);
    p[5] = char(control1);
    p[6] = char(control2);
    p[7] = char(flags);
    std::memcpy(p + 8, deviceId.constData(), size_t(std::min<qsizetype>(deviceId.size(), 16)));
    putU16(p + 24, requestId);
    putU16(p + 26, api);
    putU32(p + 28, arg0);
    putU32(p + 32, arg1);
    putU32(p + 36, arg2);
    putU32(p + 40, payloadLength);
    putU32(p + 44, wireLength);
    putU32(p + 48, arg3);
    putU32(p + 52, reserved0);
    putU32(p + 56, reserved1);
    putU32(p + 60, reserved2);
    return out;
}

bool SvpHeader::unpack(const QByteArray &bytes, SvpHeader &out)
{
    if (bytes.size() != SVP_HEADER_SIZE || std::memcmp(bytes.constData(), SVP_MAGIC, 4) != 0)
        return false;
    const char *p = bytes.constData();
    out.control0 = quint8(p[4]);
    out.control1 = quint8(p[5]);
    out.control2 = quint8(p[6]);
    out.flags = quint8(p[7]);
    out.deviceId = QByteArray(p + 8, 16);
    out.requestId = getU16(p + 24);
    out.api = getU16(p + 26);
    out.arg0 = getU32(p + 28);
    out.arg1 = getU32(p + 32);
    out.arg2 = getU32(p + 36);
    out.payloadLength = getU32(p + 40);
    out.wireLength = getU32(p + 44);
    out.arg3 = getU32(p + 48);
    out.reserved0 = getU32(p + 52);
    out.reserved1 = getU32(p + 56);
    out.reserved2 = getU32(p + 60);
    return true;
}

SvpInflateStatus svpInflateChecked(const QByteArray &wireBytes, quint32 payloadLength,
                                   QByteArray *out)
{
    out->clear();
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    if (inflateInit(&zs) != Z_OK)
        return SvpInflateStatus::Corrupt;

    // The announced size is only a first guess: never more than the limit, nor more than deflate
    // can make of this many input bytes (about 1:1032).
    const quint64 ceiling =
        std::min<quint64>(SVP_MAX_PAYLOAD_BYTES, quint64(wireBytes.size()) * 1032u + 256u);
    QByteArray buffer;
    buffer.resize(qsizetype(std::clamp<quint64>(payloadLength, 256u, ceiling)));
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(wireBytes.constData()));
    zs.avail_in = uInt(wireBytes.size());

    SvpInflateStatus status = SvpInflateStatus::Corrupt;
    for (;;) {
        if (zs.total_out == uLong(buffer.size())) {
            if (uLong(buffer.size()) >= SVP_MAX_PAYLOAD_BYTES) {
                // Full at the limit: fine only if the stream ends exactly here.
                char probe;
                zs.next_out = reinterpret_cast<Bytef *>(&probe);
                zs.avail_out = 1;
                const int rc = inflate(&zs, Z_NO_FLUSH);
                if (rc == Z_STREAM_END && zs.avail_out == 1)
                    status = SvpInflateStatus::Ok;
                else if (rc == Z_OK || rc == Z_STREAM_END || zs.avail_out == 0)
                    status = SvpInflateStatus::TooLarge;
                break;
            }
            buffer.resize(
                qsizetype(std::min<quint64>(quint64(buffer.size()) * 2, SVP_MAX_PAYLOAD_BYTES)));
        }
        zs.next_out = reinterpret_cast<Bytef *>(buffer.data()) + zs.total_out;
        zs.avail_out = uInt(uLong(buffer.size()) - zs.total_out);
        const int rc = inflate(&zs, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            status = SvpInflateStatus::Ok;
            break;
        }
        if (rc == Z_OK)
            continue;
        if (rc == Z_BUF_ERROR && zs.avail_out == 0)
            continue; // output full: grow and go on
        break;        // data error, or the input ended before the stream did
    }
    const uLong produced = zs.total_out;
    inflateEnd(&zs);
    if (status == SvpInflateStatus::Ok) {
        buffer.resize(qsizetype(produced));
        *out = buffer;
    }
    return status;
}

QByteArray svpInflate(const QByteArray &wireBytes, quint32 payloadLength)
{
    QByteArray out;
    svpInflateChecked(wireBytes, payloadLength, &out);
    return out;
}

QByteArray svpDecodePayload(const QByteArray &wireBytes, quint8 flags, quint32 payloadLength,
                            SvpInflateStatus *status)
{
    QByteArray payload = wireBytes;
    SvpInflateStatus st = SvpInflateStatus::Ok;
    if (flags & SVP_FLAG_COMPRESSED)
        st = svpInflateChecked(wireBytes, payloadLength, &payload);
    if (payloadLength != 0 && !payload.isEmpty() && quint64(payload.size()) > payloadLength - 1)
        payload.truncate(qsizetype(payloadLength - 1));
    if (status)
        *status = st;
    return payload;
}

QString svpStatusName(quint32 code)
{
    if (code < kStatusCount)
        return QString::fromLatin1(kStatusTexts[code].name);
    return QStringLiteral("UNKNOWN(%1)").arg(code);
}

QString svpStatusMessage(quint32 code)
{
    if (code < kStatusCount)
        return QString::fromLatin1(kStatusTexts[code].message);
    return QStringLiteral("Unexpected error from the device (code %1)").arg(code);
}

quint32 fnv1a32(const QByteArray &bytes)
{
    quint32 h = 2166136261u;
    for (const char c : bytes) {
        h ^= quint32(uchar(c));
        h *= 16777619u;
    }
    return h;
}

bool svpSign(QByteArray &packet)
{
    if (packet.size() != SVP_HEADER_SIZE)
        return false;
    char *p = packet.data();
    writeSignKey(p + 48);
    const quint32 h = fnv1a32(packet);
    auto *rng = QRandomGenerator64::system();
    for (int i = 0; i < 4; ++i)
        putU32(p + 48 + 4 * i, quint32(rng->generate64() & 0xffffffffu));
    p[53] = char(h >> 24);
    p[54] = char(h >> 16);
    p[57] = char(h >> 8);
    p[58] = char(h);
    return true;
}

bool svpVerify(const QByteArray &packet)
{
    if (packet.size() != SVP_HEADER_SIZE)
        return false;
    const quint32 stored = storedSignature(packet);
    QByteArray copy = packet;
    writeSignKey(copy.data() + 48);
    return fnv1a32(copy) == stored;
}

QString fixedText(const QByteArray &bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? bytes : bytes.left(zero));
}
