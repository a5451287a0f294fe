// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "boxserver.h"

#include <imgr.h>
#include <keyprotocol.h>

#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <zlib.h>

#include <cstring>

namespace {

// Requests are small; a box refuses announcements past this.
constexpr quint32 kMaxRequestPayload = 1024 * 1024;

QByteArray zlibStream(const QByteArray &data)
{
    return qCompress(data, 9).mid(4); // Qt prefixes the stream with its length
}

} // namespace

BoxServer::BoxServer(const BoxConfig &config, QObject *parent)
    : QObject(parent)
    , m_config(config)
{
    // PING: echoes the request's payload and its first two arguments.
    setHandler(SVP_API_PING, [](const BoxRequest &request) {
        BoxReply reply;
        reply.arg1 = request.header.arg1;
        reply.arg2 = request.header.arg2;
        reply.payload = request.payload;
        return reply;
    });
}

BoxServer::~BoxServer() = default;

bool BoxServer::start(QString *error)
{
    if (m_config.svp) {
        const QHostAddress address(m_config.address);
        m_tcp = new QTcpServer(this);
        if (!m_tcp->listen(address, m_config.svpPort)) {
            *error = QStringLiteral("SVP TCP %1:%2: %3")
                         .arg(m_config.address)
                         .arg(m_config.svpPort)
                         .arg(m_tcp->errorString());
            return false;
        }
        connect(m_tcp, &QTcpServer::newConnection, this, &BoxServer::onNewConnection);
        m_config.svpPort = m_tcp->serverPort(); // UDP takes the same port, also when it was 0

        m_svpUdp = new QUdpSocket(this);
        if (!m_svpUdp->bind(address, m_config.svpPort)) {
            *error = QStringLiteral("SVP UDP %1:%2: %3")
                         .arg(m_config.address)
                         .arg(m_config.svpPort)
                         .arg(m_svpUdp->errorString());
            return false;
        }
        connect(m_svpUdp, &QUdpSocket::readyRead, this, &BoxServer::onSvpDatagrams);
    }
    if (m_config.discovery) {
        const QString where = m_config.effectiveDiscoveryAddress();
        m_discovery = new QUdpSocket(this);
        // Shared, so several simulated boxes in one network can all hear a broadcast.
        if (!m_discovery->bind(QHostAddress(where), m_config.discoveryPort,
                               QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
            *error = QStringLiteral("discovery UDP %1:%2: %3")
                         .arg(where)
                         .arg(m_config.discoveryPort)
                         .arg(m_discovery->errorString());
            return false;
        }
        connect(m_discovery, &QUdpSocket::readyRead, this, &BoxServer::onDiscoveryDatagrams);
        m_config.discoveryPort = m_discovery->localPort();
    }
    if (m_config.keys) {
        m_keys = new QUdpSocket(this);
        if (!m_keys->bind(QHostAddress(m_config.address), m_config.keyPort)) {
            *error = QStringLiteral("key UDP %1:%2: %3")
                         .arg(m_config.address)
                         .arg(m_config.keyPort)
                         .arg(m_keys->errorString());
            return false;
        }
        connect(m_keys, &QUdpSocket::readyRead, this, &BoxServer::onKeyDatagrams);
        m_config.keyPort = m_keys->localPort();
    }
    return true;
}

void BoxServer::setHandler(quint16 api, BoxHandler handler)
{
    m_handlers.insert(api, std::move(handler));
}

BoxReply BoxServer::dispatch(const BoxRequest &request) const
{
    if (const auto refused = m_config.refuse.constFind(request.header.api);
        refused != m_config.refuse.constEnd()) {
        BoxReply reply;
        reply.status = refused.value();
        return reply;
    }
    const auto it = m_handlers.constFind(request.header.api);
    if (it == m_handlers.constEnd()) {
        BoxReply reply;
        reply.status = 3; // BAD_API
        return reply;
    }
    return it.value()(request);
}

QByteArray BoxServer::responseBytes(const SvpHeader &request, const BoxReply &reply) const
{
    SvpHeader head;
    head.deviceId = m_config.id;
    head.requestId = request.requestId;
    head.api = request.api;
    head.arg0 = reply.status;
    head.arg1 = reply.arg1;
    head.arg2 = reply.arg2;

    QByteArray wire;
    if (!reply.payload.isEmpty()) {
        QByteArray text = reply.payload;
        text += '\0';
        head.payloadLength = quint32(text.size());
        wire = text;
        if (m_config.compress) {
            wire = zlibStream(text);
            head.flags |= SVP_FLAG_COMPRESSED;
        }
    }

    switch (m_config.tcpFault) {
    case BoxConfig::TcpFault::HugeInflate: {
        const QByteArray text = reply.payload.isEmpty() ? QByteArray("{}") : reply.payload;
        wire = zlibStream(text + '\0');
        head.flags |= SVP_FLAG_COMPRESSED;
        head.payloadLength = 0xF0000000u;
        break;
    }
    case BoxConfig::TcpFault::InflateBomb:
        wire = inflateBombStream();
        head.flags |= SVP_FLAG_COMPRESSED;
        head.payloadLength = 23;
        break;
    default:
        break;
    }
    head.wireLength = quint32(wire.size());
    return head.pack() + wire;
}

QByteArray BoxServer::inflateBombStream() const
{
    if (!m_bombStream.isEmpty())
        return m_bombStream;
    // 80 MiB of zeros, deflated piecewise: about 80 KiB on the wire.
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    deflateInit(&zs, 9);
    const QByteArray zeros(1024 * 1024, '\0');
    QByteArray out;
    QByteArray chunk(64 * 1024, '\0');
    for (int i = 0; i < 80; ++i) {
        zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
        zs.avail_in = uInt(zeros.size());
        const int flush = i == 79 ? Z_FINISH : Z_NO_FLUSH;
        int rc = Z_OK;
        do {
            zs.next_out = reinterpret_cast<Bytef *>(chunk.data());
            zs.avail_out = uInt(chunk.size());
            rc = deflate(&zs, flush);
            out.append(chunk.constData(), chunk.size() - qsizetype(zs.avail_out));
        } while (zs.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    }
    deflateEnd(&zs);
    m_bombStream = out;
    return out;
}

QByteArray BoxServer::discoveryAnswer() const
{
    imgr::ImgrMsg answer;
    answer.type = quint8(m_config.answerType);
    answer.flags = quint8(m_config.flags);
    answer.control3 = 1;
    answer.id = m_config.id;
    answer.ip = m_config.effectiveIp();
    answer.name = m_config.name;
    answer.model = m_config.model;
    answer.numTuners = quint8(m_config.numTuners);
    answer.subscription = quint8(m_config.subscription);
    QByteArray bytes = answer.pack();
    if (m_config.answerSize < bytes.size())
        bytes.truncate(m_config.answerSize);
    else
        bytes.append(m_config.answerSize - bytes.size(), '\0');
    return bytes;
}

void BoxServer::trace(const char *channel, const QByteArray &bytes, const QHostAddress &peer)
{
    if (!m_config.trace)
        return;
    emit traced(
        QStringLiteral("%1 from %2 %3")
            .arg(QLatin1String(channel), peer.toString(), QString::fromLatin1(bytes.toHex())));
}

void BoxServer::onNewConnection()
{
    while (QTcpSocket *socket = m_tcp->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onTcpReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void BoxServer::onTcpReadyRead(QTcpSocket *socket)
{
    // Writing may close the socket and drop its entry at once, so work on a copy.
    const QByteArray buffer = m_pending.value(socket) + socket->readAll();
    m_pending.insert(socket, buffer);
    if (buffer.size() < SVP_HEADER_SIZE)
        return;

    BoxRequest request;
    request.peer = socket->peerAddress();
    const bool unpacked = SvpHeader::unpack(buffer.left(SVP_HEADER_SIZE), request.header);
    if (!unpacked || request.header.wireLength > kMaxRequestPayload) {
        m_pending.remove(socket);
        trace("tcp", buffer, request.peer);
        BoxReply reply;
        reply.status = 14; // PACKET_ERROR
        socket->write(responseBytes(unpacked ? request.header : SvpHeader(), reply));
        socket->disconnectFromHost();
        return;
    }
    if (buffer.size() < SVP_HEADER_SIZE + qsizetype(request.header.wireLength))
        return;

    m_pending.remove(socket);
    const QByteArray received = buffer.left(SVP_HEADER_SIZE + request.header.wireLength);
    trace("tcp", received, request.peer);
    request.payload =
        svpDecodePayload(received.mid(SVP_HEADER_SIZE), 0, request.header.payloadLength);

    const BoxReply reply = dispatch(request);
    const quint16 api = request.header.api;
    const bool answered =
        !m_config.silent.contains(api) && m_config.tcpFault != BoxConfig::TcpFault::Silent;
    emit requestReceived(request, reply.status, answered);
    if (!answered)
        return; // the connection stays open until the client gives up
    QByteArray response = responseBytes(request.header, reply);
    const int delay = m_config.delayMs.value(api, 0);
    if (delay > 0) {
        QTimer::singleShot(delay, socket,
                           [this, socket, response] { writeTcpResponse(socket, response); });
        return;
    }
    writeTcpResponse(socket, response);
}

void BoxServer::writeTcpResponse(QTcpSocket *socket, QByteArray response)
{
    switch (m_config.tcpFault) {
    case BoxConfig::TcpFault::Silent:
        return; // the connection stays open until the client gives up
    case BoxConfig::TcpFault::ShortHeader:
        socket->write(response.left(40));
        socket->disconnectFromHost();
        return;
    case BoxConfig::TcpFault::BadMagic:
        std::memcpy(response.data(), "XXXX", 4);
        socket->write(response);
        socket->disconnectFromHost();
        return;
    case BoxConfig::TcpFault::Truncated: {
        SvpHeader head;
        SvpHeader::unpack(response.left(SVP_HEADER_SIZE), head);
        QByteArray wire = response.mid(SVP_HEADER_SIZE);
        if (wire.isEmpty())
            wire = QByteArray(60, 'x');
        head.wireLength = quint32(wire.size() + 40);
        socket->write(head.pack() + wire);
        socket->disconnectFromHost();
        return;
    }
    case BoxConfig::TcpFault::Oversize: {
        SvpHeader head;
        SvpHeader::unpack(response.left(SVP_HEADER_SIZE), head);
        head.wireLength = 0xFFFFFF00u;
        socket->write(head.pack() + QByteArray(16, 'x'));
        return; // and keeps the connection open
    }
    case BoxConfig::TcpFault::LengthOnly: {
        SvpHeader head;
        SvpHeader::unpack(response.left(SVP_HEADER_SIZE), head);
        head.payloadLength = 50;
        head.wireLength = 0;
        socket->write(head.pack());
        return; // and keeps the connection open
    }
    default:
        socket->write(response);
        socket->disconnectFromHost();
        return;
    }
}

void BoxServer::onSvpDatagrams()
{
    while (m_svpUdp->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_svpUdp->receiveDatagram();
        trace("udp", datagram.data(), datagram.senderAddress());
        BoxRequest request;
        request.peer = datagram.senderAddress();
        request.overUdp = true;
        if (!SvpHeader::unpack(datagram.data().left(SVP_HEADER_SIZE), request.header))
            continue;
        const BoxReply reply = dispatch(request);
        const quint16 api = request.header.api;
        const bool answered =
            !m_config.silent.contains(api) && m_config.udpFault != BoxConfig::UdpFault::Silent;
        emit requestReceived(request, reply.status, answered);
        if (!answered)
            continue;
        SvpHeader head;
        head.deviceId = m_config.id;
        head.requestId = request.header.requestId;
        head.api = request.header.api;
        head.arg0 = reply.status;
        head.arg1 = reply.arg1;
        head.arg2 = reply.arg2;
        QByteArray answer = head.pack();
        switch (m_config.udpFault) {
        case BoxConfig::UdpFault::Silent:
            continue;
        case BoxConfig::UdpFault::Short:
            answer.truncate(40);
            break;
        case BoxConfig::UdpFault::BadMagic:
            std::memcpy(answer.data(), "XXXX", 4);
            break;
        case BoxConfig::UdpFault::None:
            break;
        }
        const QHostAddress to = datagram.senderAddress();
        const quint16 port = quint16(datagram.senderPort());
        const int delay = m_config.delayMs.value(api, 0);
        if (delay > 0) {
            QTimer::singleShot(delay, this, [this, answer, to, port] {
                m_svpUdp->writeDatagram(answer, to, port);
            });
        } else {
            m_svpUdp->writeDatagram(answer, to, port);
        }
    }
}

void BoxServer::onDiscoveryDatagrams()
{
    while (m_discovery->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_discovery->receiveDatagram();
        trace("discover", datagram.data(), datagram.senderAddress());
        imgr::ImgrMsg msg;
        if (!imgr::parseImgr(datagram.data(), msg) || msg.type != imgr::IMGR_TYPE_DISCOVER)
            continue;
        const QHostAddress to = datagram.senderAddress();
        const quint16 port = quint16(datagram.senderPort());
        const QByteArray answer = discoveryAnswer();
        if (m_config.answerDelayMs <= 0) {
            m_discovery->writeDatagram(answer, to, port);
        } else {
            QTimer::singleShot(m_config.answerDelayMs, this, [this, answer, to, port] {
                m_discovery->writeDatagram(answer, to, port);
            });
        }
    }
}

void BoxServer::onKeyDatagrams()
{
    while (m_keys->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_keys->receiveDatagram();
        trace("key", datagram.data(), datagram.senderAddress());
        const std::optional<keyproto::KeyRequest> request = keyproto::parseRequest(datagram.data());
        if (!request)
            continue;
        const bool known = keyproto::vocabulary().contains(QString::fromUtf8(request->keys));
        const quint8 result = known ? 0 : 1;
        emit keyReceived(datagram.senderAddress(), request->sequence, request->keys, result);

        const QByteArray reply = keyproto::packReply(request->sequence, result);
        const QHostAddress to = datagram.senderAddress();
        const quint16 port = quint16(datagram.senderPort());
        switch (m_config.keyFault) {
        case BoxConfig::KeyFault::Silent:
            break;
        case BoxConfig::KeyFault::Late:
            QTimer::singleShot(m_config.keyDelayMs, Qt::PreciseTimer, this,
                               [this, reply, to, port] { sendKeyReply(reply, to, port); });
            break;
        case BoxConfig::KeyFault::Reverse:
            if (m_heldKeyReplies.isEmpty()) {
                m_heldKeyReplies.append({reply, to, port});
            } else {
                sendKeyReply(reply, to, port);
                const HeldKeyReply held = m_heldKeyReplies.takeFirst();
                sendKeyReply(held.reply, held.to, held.port);
            }
            break;
        case BoxConfig::KeyFault::Junk: {
            // Each carries a failing result for this very sequence, so a sender that took one for
            // the answer would report a failure.
            const quint8 seq = request->sequence;
            const QByteArray failing = keyproto::packReply(seq, 1);
            QByteArray otherMagic = failing;
            otherMagic[0] = 'M';
            QByteArray request0 = failing;
            request0[5] = char(keyproto::KIND_REQUEST);
            sendKeyReply(failing.left(7), to, port);
            sendKeyReply(otherMagic, to, port);
            sendKeyReply(request0, to, port);
            sendKeyReply(keyproto::packReply(quint8(seq + 128), 1), to, port);
            sendKeyReply(reply, to, port);
            break;
        }
        case BoxConfig::KeyFault::None:
            sendKeyReply(reply, to, port);
            break;
        }
    }
}

void BoxServer::sendKeyReply(const QByteArray &reply, const QHostAddress &to, quint16 port)
{
    m_keys->writeDatagram(reply, to, port);
}
