// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "keyprotocol.h"

#include <cstring>

namespace keyproto {

QByteArray packRequest(quint8 sequence, const QByteArray &utf8Keys)
{
    QByteArray datagram(REQUEST_SIZE, '\0');
    std::memcpy(datagram.data(), MAGIC, 4);
    datagram[4] = char(PROTOCOL_BYTE);
    datagram[5] = char(KIND_REQUEST);
    datagram[6] = 0;
    datagram[7] = char(sequence);
    const qsizetype n = std::min<qsizetype>(utf8Keys.size(), MAX_KEY_BYTES);
    std::memcpy(datagram.data() + KEY_OFFSET, utf8Keys.constData(), size_t(n));
    return datagram;
}

std::optional<KeyRequest> parseRequest(const QByteArray &datagram)
{
    if (datagram.size() < REQUEST_SIZE || std::memcmp(datagram.constData(), MAGIC, 4) != 0 ||
        quint8(datagram.at(5)) != KIND_REQUEST)
        return std::nullopt;
    KeyRequest request;
    request.sequence = quint8(datagram.at(7));
    const QByteArray field = datagram.mid(KEY_OFFSET, REQUEST_SIZE - KEY_OFFSET);
    const qsizetype end = field.indexOf('\0');
    request.keys = end < 0 ? field : field.left(end);
    return request;
}

QByteArray packReply(quint8 sequence, quint8 result)
{
    QByteArray datagram(REPLY_MIN_SIZE, '\0');
    std::memcpy(datagram.data(), MAGIC, 4);
    datagram[4] = char(PROTOCOL_BYTE);
    datagram[5] = char(KIND_REPLY);
    datagram[6] = char(result);
    datagram[7] = char(sequence);
    return datagram;
}

std::optional<KeyReply> parseReply(const QByteArray &datagram)
{
    if (datagram.size() < REPLY_MIN_SIZE || std::memcmp(datagram.constData(), MAGIC, 4) != 0 ||
        quint8(datagram.at(5)) != KIND_REPLY)
        return std::nullopt;
    KeyReply reply;
    reply.result = quint8(datagram.at(6));
    reply.sequence = quint8(datagram.at(7));
    return reply;
}

const QStringList &vocabulary()
{
    static const QStringList commands{
        QStringLiteral("up"),    QStringLiteral("down"),   QStringLiteral("left"),
        QStringLiteral("right"), QStringLiteral("ok"),     QStringLiteral("."),
        QStringLiteral("back"),  QStringLiteral("guide"),  QStringLiteral("info"),
        QStringLiteral("zap"),   QStringLiteral("menu"),   QStringLiteral("dvr"),
        QStringLiteral("live"),  QStringLiteral("record"), QStringLiteral("ba"),
        QStringLiteral("POWER"), QStringLiteral("ON"),     QStringLiteral("OFF"),
        QStringLiteral("mute"),  QStringLiteral("#0"),     QStringLiteral("#1"),
        QStringLiteral("#2"),    QStringLiteral("#3"),     QStringLiteral("#4"),
        QStringLiteral("#5"),    QStringLiteral("#6"),     QStringLiteral("#7"),
        QStringLiteral("#8"),    QStringLiteral("#9"),
    };
    return commands;
}

} // namespace keyproto
