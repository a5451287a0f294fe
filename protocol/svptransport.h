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

// The steps of the TCP transport that need no socket, shared with the tests of what a box may send.
// svpResponseLengthError: the error text for a response header whose announced lengths this
// client refuses to reserve or inflate into; empty when they are acceptable.
QString svpResponseLengthError(const SvpHeader &header);
// svpFinishResponse: decodes the `wireLength` payload bytes of `response` into its payload (or
// sets its error when they inflate past the limit).
void svpFinishResponse(SvpResponse &response, const QByteArray &wire);
// The response as the TCP transport makes it of everything a box sent before it closed the
// connection: the same texts for a short header, a wrong magic, absurd lengths and a truncated
// payload. Bytes past the payload are ignored, as the transport never reads them.
SvpResponse svpParseResponse(const QByteArray &stream);

// Sends `header` (and `payload` plus a terminating zero byte when not empty) over a new TCP
// connection and reads one response. `timeoutMs` bounds the connect, and then separately the
// whole exchange after it.
SvpResponse svpRequestTcp(const QString &host, quint16 port, SvpHeader header,
                          const QByteArray &payload, int timeoutMs);

// Sends one 64-byte header as a datagram to a literal address and waits for one response
// header; no payload either way.
SvpResponse svpRequestUdp(const QString &host, quint16 port, const SvpHeader &header,
                          int timeoutMs);
