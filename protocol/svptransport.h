// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Blocking SVP request/response over TCP and UDP. Meant for pool threads, never the GUI thread.
#pragma once

#include "svp.h"

#include <QByteArray>
#include <QString>

// The box's port for SVP requests over TCP and UDP.
constexpr quint16 SVP_PORT = 31065;

// Result of one request: the unpacked response header (SvpHeader defaults until a header was
// unpacked, so `error` is tested first), the decoded payload, and a transport error text.
struct SvpResponse : SvpHeader
{
    QByteArray payload;
    QString error;
};

// Sends `header` (and `payload` plus a terminating zero byte when not empty) over a new TCP
// connection and reads one response. `timeoutMs` bounds the connect, and then separately the
// whole exchange after it.
SvpResponse svpRequestTcp(const QString &host, quint16 port, SvpHeader header,
                          const QByteArray &payload, int timeoutMs);

// Sends one 64-byte header as a datagram to a literal address and waits for one response
// header; no payload either way.
SvpResponse svpRequestUdp(const QString &host, quint16 port, const SvpHeader &header,
                          int timeoutMs);
