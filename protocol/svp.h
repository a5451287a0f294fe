// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// SVP request/response packets: the 64-byte header, API codes, status texts, payload helpers,
// the FNV-1a hash and the keyed packet signature.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// API codes carried in SvpHeader::api.
constexpr quint16 SVP_API_PING = 0;
constexpr quint16 SVP_API_DVR_LIST_PLAY = 1;
constexpr quint16 SVP_API_DVR_START = 2;
constexpr quint16 SVP_API_DVR_STOP = 3;
constexpr quint16 SVP_API_PLAY_POS = 4;
constexpr quint16 SVP_API_DVR_DELETE = 5;
constexpr quint16 SVP_API_FILE_DOWNLOAD = 18;

// Status code of a successful request (SvpHeader::arg0 of a response).
constexpr quint32 SVP_STATUS_SUCCESS = 0;

// Header size on the wire and its magic.
constexpr int SVP_HEADER_SIZE = 64;
inline constexpr char SVP_MAGIC[] = "SVrp";

// Flag bit: the payload that follows is a zlib stream.
constexpr quint8 SVP_FLAG_COMPRESSED = 0x02;

// Largest payload this client accepts from a box, on the wire and after inflating. A recording
// list is a few hundred kilobytes and a download chunk 4 MiB; anything past this is refused
// before memory is reserved for it.
constexpr quint32 SVP_MAX_PAYLOAD_BYTES = 64u * 1024u * 1024u;

// The 16-byte signing key, as four big-endian words. It only ever exists in a packet being
// signed or verified.
inline constexpr quint32 SvpSignKey[4] = {0x4e76a1d3u, 0x7c52e90bu, 0x2fd8634au, 0xb13e05c7u};

struct SvpHeader
{
    quint8 control0 = 0;
    quint8 control1 = 0;
    quint8 control2 = 16;
    quint8 flags = 0;
    QByteArray deviceId;
    quint16 requestId = 1;
    quint16 api = 0;
    quint32 arg0 = 0;
    quint32 arg1 = 0;
    quint32 arg2 = 0;
    quint32 payloadLength = 0;
    quint32 wireLength = 0;
    quint32 arg3 = 0;
    quint32 reserved0 = 0;
    quint32 reserved1 = 0;
    quint32 reserved2 = 0;

    SvpHeader() = default;
    SvpHeader(quint16 api, const QByteArray &deviceId, quint32 arg0 = 0, quint32 arg1 = 0,
              quint32 arg2 = 0, quint32 arg3 = 0, quint16 requestId = 1);

    // The 64-byte wire form.
    QByteArray pack() const;

    // Fills `out` from exactly 64 bytes that start with the magic; anything else returns false
    // and leaves `out` as it was.
    static bool unpack(const QByteArray &bytes, SvpHeader &out);
};

// Outcome of inflating a compressed payload.
enum class SvpInflateStatus {
    Ok,
    Corrupt,  // not a complete, valid zlib stream
    TooLarge, // would inflate past SVP_MAX_PAYLOAD_BYTES
};

// Inflates a zlib stream (RFC 1950, no length prefix). `payloadLength` is the size the sender
// announced and only sizes the first buffer. Returns an empty array when the stream is corrupt
// or inflates past SVP_MAX_PAYLOAD_BYTES.
QByteArray svpInflate(const QByteArray &wireBytes, quint32 payloadLength);

// The same, telling why nothing came out.
SvpInflateStatus svpInflateChecked(const QByteArray &wireBytes, quint32 payloadLength,
                                   QByteArray *out);

// Turns the bytes of a received payload into the payload text: inflates when `flags` says so,
// then drops the terminating zero byte that `payloadLength` counts.
QByteArray svpDecodePayload(const QByteArray &wireBytes, quint8 flags, quint32 payloadLength,
                            SvpInflateStatus *status = nullptr);

QString svpStatusName(quint32 code);
QString svpStatusMessage(quint32 code);

quint32 fnv1a32(const QByteArray &bytes);

// Keyed signature of a 64-byte packet. svpSign returns false and leaves the packet alone when it
// is not 64 bytes long; such a packet never verifies either.
bool svpSign(QByteArray &packet);
bool svpVerify(const QByteArray &packet);

// The bytes before the first zero byte (all of them if there is none), as Latin-1.
QString fixedText(const QByteArray &bytes);
