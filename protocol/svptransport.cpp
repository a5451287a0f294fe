// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "svptransport.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QUdpSocket>

namespace {

// Reads exactly `count` bytes, waiting only while nothing is buffered. Stops early on the
// deadline, a failed wait or a closed socket; the caller checks the size.
QByteArray readExactly(QTcpSocket &socket, qint64 count, const QDeadlineTimer &deadline)
{
    QByteArray data;
    data.reserve(qsizetype(count));
    while (data.size() < count) {
        if (socket.bytesAvailable() == 0) {
            if (deadline.hasExpired())
                break;
            if (!socket.waitForReadyRead(int(deadline.remainingTime())))
                break;
        }
        const QByteArray chunk = socket.read(count - data.size());
        if (chunk.isEmpty() && socket.state() != QAbstractSocket::ConnectedState)
            break;
        data += chunk;
    }
    return data;
}

} // namespace

QString svpResponseLengthError(const SvpHeader &header)
{
    if (header.wireLength == 0)
        return {};
    if (header.wireLength > SVP_MAX_PAYLOAD_BYTES)
        return QStringLiteral("response payload too large: %1 bytes announced, limit %2")
            .arg(header.wireLength)
            .arg(SVP_MAX_PAYLOAD_BYTES);
    if ((header.flags & SVP_FLAG_COMPRESSED) && header.payloadLength > SVP_MAX_PAYLOAD_BYTES)
        return QStringLiteral("compressed response payload too large: %1 bytes announced, limit %2")
            .arg(header.payloadLength)
            .arg(SVP_MAX_PAYLOAD_BYTES);
    return {};
}

void svpFinishResponse(SvpResponse &response, const QByteArray &wire)
{
    SvpInflateStatus status = SvpInflateStatus::Ok;
    response.payload = svpDecodePayload(wire, response.flags, response.payloadLength, &status);
    if (status == SvpInflateStatus::TooLarge) {
        response.payload.clear();
        response.error =
            QStringLiteral("compressed response payload inflates past the limit of %1 bytes")
                .arg(SVP_MAX_PAYLOAD_BYTES);
    }
}

SvpResponse svpParseResponse(const QByteArray &stream)
{
    SvpResponse result;
    if (stream.size() < SVP_HEADER_SIZE) {
        result.error = QStringLiteral("no response header (timeout/closed)");
        return result;
    }
    if (!SvpHeader::unpack(stream.first(SVP_HEADER_SIZE), result)) {
        result.error = QStringLiteral("bad response header (magic/size)");
        return result;
    }
    if (result.wireLength == 0)
        return result;
    result.error = svpResponseLengthError(result);
    if (!result.error.isEmpty())
        return result;
    const QByteArray rest = stream.sliced(SVP_HEADER_SIZE);
    if (rest.size() < qint64(result.wireLength)) {
        result.error = QStringLiteral("truncated response payload");
        return result;
    }
    svpFinishResponse(result, rest.first(qsizetype(result.wireLength)));
    return result;
}

SvpResponse svpRequestTcp(const QString &host, quint16 port, SvpHeader header,
                          const QByteArray &payload, int timeoutMs)
{
    SvpResponse result;

    QByteArray request;
    if (!payload.isEmpty()) {
        header.payloadLength = quint32(payload.size() + 1);
        header.wireLength = header.payloadLength;
    }
    request = header.pack();
    if (!payload.isEmpty()) {
        request += payload;
        request += '\0';
    }

    QTcpSocket socket;
    socket.connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    if (!socket.waitForConnected(timeoutMs)) {
        result.error = QStringLiteral("connect to %1:%2 failed: %3")
                           .arg(host)
                           .arg(port)
                           .arg(socket.errorString());
        return result;
    }

    const QDeadlineTimer deadline(timeoutMs);

    socket.write(request);
    while (socket.bytesToWrite() > 0) {
        const qint64 left = deadline.remainingTime();
        if ((left >= 0 && left < 1) || !socket.waitForBytesWritten(int(left))) {
            result.error = QStringLiteral("send timed out");
            return result;
        }
    }

    const QByteArray head = readExactly(socket, SVP_HEADER_SIZE, deadline);
    if (head.size() < SVP_HEADER_SIZE) {
        result.error = QStringLiteral("no response header (timeout/closed)");
        return result;
    }
    if (!SvpHeader::unpack(head, result)) {
        result.error = QStringLiteral("bad response header (magic/size)");
        return result;
    }

    if (result.wireLength != 0) {
        // A box cannot make us reserve, or inflate into, more than the limit.
        result.error = svpResponseLengthError(result);
        if (!result.error.isEmpty())
            return result;
        const QByteArray wire = readExactly(socket, result.wireLength, deadline);
        if (wire.size() < qint64(result.wireLength)) {
            result.error = QStringLiteral("truncated response payload");
            return result;
        }
        svpFinishResponse(result, wire);
        if (!result.error.isEmpty())
            return result;
    }

    socket.close();
    return result;
}

SvpResponse svpRequestUdp(const QString &host, quint16 port, const SvpHeader &header, int timeoutMs)
{
    SvpResponse result;
    QUdpSocket socket;
    const QHostAddress address(host);
    if (address.isNull()) {
        // Qt would send to a null address as to 0.0.0.0, that is, to this machine.
        result.error = QStringLiteral("udp send failed: not an IP address: %1").arg(host);
        return result;
    }
    const QByteArray packet = header.pack();
    const qint64 sent = socket.writeDatagram(packet, address, port);
    if (sent != SVP_HEADER_SIZE) {
        result.error = QStringLiteral("udp send failed: %1").arg(socket.errorString());
        return result;
    }
    if (!socket.waitForReadyRead(timeoutMs)) {
        result.error = QStringLiteral("udp request timed out after %1ms").arg(timeoutMs);
        return result;
    }
    QByteArray buffer(SVP_HEADER_SIZE, '\0');
    const qint64 got = socket.readDatagram(buffer.data(), SVP_HEADER_SIZE);
    if (got < SVP_HEADER_SIZE || !SvpHeader::unpack(buffer, result))
        result.error = QStringLiteral("bad udp response");
    return result;
}
