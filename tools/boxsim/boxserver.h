// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The simulated box: discovery answers and SVP over TCP and UDP. Request handling is a table of
// handlers by API code, so more of the box's interface plugs in without touching the transport.
#pragma once

#include "boxconfig.h"

#include <svp.h>

#include <QHash>
#include <QHostAddress>
#include <QObject>

#include <functional>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

struct BoxRequest
{
    SvpHeader header;
    QByteArray payload; // the request's text, without its terminating zero byte
    QHostAddress peer;
    bool overUdp = false;
};

struct BoxReply
{
    quint32 status = SVP_STATUS_SUCCESS;
    quint32 arg1 = 0;
    quint32 arg2 = 0;
    QByteArray payload; // sent with a terminating zero byte, compressed when the box compresses
};

using BoxHandler = std::function<BoxReply(const BoxRequest &)>;

class BoxServer : public QObject
{
    Q_OBJECT

public:
    explicit BoxServer(const BoxConfig &config, QObject *parent = nullptr);
    ~BoxServer() override;

    // Binds every socket the configuration asks for.
    bool start(QString *error);

    // Answers requests of `api`; an API without a handler gets BAD_API.
    void setHandler(quint16 api, BoxHandler handler);

    const BoxConfig &config() const { return m_config; }

    // The response bytes for a request: header and payload as they go on the wire.
    QByteArray responseBytes(const SvpHeader &request, const BoxReply &reply) const;

    // The discovery answer, cut or zero-filled to the configured size.
    QByteArray discoveryAnswer() const;

signals:
    // One line per received packet when tracing ("discover", "tcp" or "udp", then hex).
    void traced(const QString &line);
    // Every SVP request received (TCP or UDP), with the status it is answered with; `answered`
    // is false when the box stays silent.
    void requestReceived(const BoxRequest &request, quint32 status, bool answered);
    // Every key command received, with the result byte of its answer (0: understood).
    void keyReceived(const QHostAddress &peer, quint8 sequence, const QByteArray &keys,
                     quint8 result);

private:
    void onNewConnection();
    void onTcpReadyRead(QTcpSocket *socket);
    void onSvpDatagrams();
    void writeTcpResponse(QTcpSocket *socket, QByteArray response);
    void onDiscoveryDatagrams();
    void onKeyDatagrams();
    void sendKeyReply(const QByteArray &reply, const QHostAddress &to, quint16 port);
    BoxReply dispatch(const BoxRequest &request) const;
    void trace(const char *channel, const QByteArray &bytes, const QHostAddress &peer);
    QByteArray inflateBombStream() const;

    BoxConfig m_config;
    QTcpServer *m_tcp = nullptr;
    QUdpSocket *m_svpUdp = nullptr;
    QUdpSocket *m_discovery = nullptr;
    QUdpSocket *m_keys = nullptr;
    struct HeldKeyReply
    {
        QByteArray reply;
        QHostAddress to;
        quint16 port = 0;
    };
    QList<HeldKeyReply> m_heldKeyReplies; // the reverse fault's first answer of a pair
    QHash<quint16, BoxHandler> m_handlers;
    QHash<QTcpSocket *, QByteArray> m_pending;
    mutable QByteArray m_bombStream;
};
