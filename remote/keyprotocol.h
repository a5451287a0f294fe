// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The "Nkey" key protocol: one 328-byte request datagram per key command, and the box's short
// reply. Pure functions over bytes, shared by the key sender and the stand-in box.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace keyproto {

constexpr quint16 KEY_PORT = 31063;
constexpr int REQUEST_SIZE = 328;
constexpr int REPLY_MIN_SIZE = 8;
constexpr int KEY_OFFSET = 8;
// Longest command in UTF-8 bytes; the field has room for a terminating zero after it.
constexpr int MAX_KEY_BYTES = 255;
constexpr int ACK_TIMEOUT_MS = 2000;

constexpr char MAGIC[] = "Nkey";
constexpr quint8 PROTOCOL_BYTE = 1;
constexpr quint8 KIND_REQUEST = 0;
constexpr quint8 KIND_REPLY = 1;

struct KeyRequest
{
    quint8 sequence = 0;
    QByteArray keys; // UTF-8, up to the first zero byte of the field
};

struct KeyReply
{
    quint8 result = 0; // 0: the box understood the key string
    quint8 sequence = 0;
};

// The request datagram for `utf8Keys` (at most MAX_KEY_BYTES; longer input is cut).
QByteArray packRequest(quint8 sequence, const QByteArray &utf8Keys);

// A request as the box reads it: exactly REQUEST_SIZE bytes (longer is accepted), the magic and
// kind 0. Anything else is no request.
std::optional<KeyRequest> parseRequest(const QByteArray &datagram);

// The reply datagram: 8 bytes.
QByteArray packReply(quint8 sequence, quint8 result);

// A reply as the sender reads it: at least 8 bytes, the magic and kind 1; bytes past 8 are not
// looked at. Anything else is no reply.
std::optional<KeyReply> parseReply(const QByteArray &datagram);

// Every command the remote control sends; a box understands these and no others.
const QStringList &vocabulary();

} // namespace keyproto
