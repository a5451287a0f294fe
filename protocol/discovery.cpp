// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "discovery.h"

#include "protocollog.h"
#include "svp.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QThread>
#include <QUdpSocket>

#include <algorithm>

namespace {

const QHostAddress kLimitedBroadcast(QHostAddress::Broadcast);

struct SendTarget
{
    QString label;
    QString source;
    QHostAddress broadcast;
};

bool cancelled(const QAtomicInt *flag)
{
    return flag && flag->loadAcquire() != 0;
}

bool bindDiscoverySocket(QUdpSocket &socket)
{
    return socket.bind(QHostAddress::AnyIPv4, SVP_DISCOVERY_PORT,
                       QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
}

// The local address the system would send from towards the outside. Connecting a UDP socket
// sends nothing; it only picks the route. "0.0.0.0" when there is none.
QString routeSourceAddress()
{
    QUdpSocket probe;
    probe.connectToHost(QHostAddress(QStringLiteral("1.1.1.1")), 1);
    const bool connected = probe.waitForConnected(200);
    if (connected || !probe.localAddress().isNull())
        return probe.localAddress().toString();
    return QStringLiteral("0.0.0.0");
}

enum class Sweep { Player, Remote };

// Listens until the deadline or the cancel flag, keeping the last answer per box id. Only the
// player's sweep logs what it hears.
QList<imgr::ImgrMsg> collectAnswers(QUdpSocket &socket, int timeoutMs, QAtomicInt *cancelFlag,
                                    Sweep sweep)
{
    const bool verbose = sweep == Sweep::Player;
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    if (deadline.hasExpired())
        return {};
    QHash<QString, imgr::ImgrMsg> found;
    while (!cancelled(cancelFlag)) {
        const qint64 slice = std::min<qint64>(deadline.remainingTime(), 250);
        if (slice > 0)
            socket.waitForReadyRead(int(slice));
        // After a failed send, Qt closes the socket at the next timed-out wait; a closed socket
        // hears nothing more and would not wait either, so the sweep ends with what it has.
        if (!socket.isValid())
            break;
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket.receiveDatagram();
            const QByteArray data = datagram.data();
            imgr::ImgrMsg msg;
            if (imgr::parseImgr(data, msg)) {
                const QString id = fixedText(msg.id);
                if (verbose)
                    qCDebug(lcProtocol, "svpDiscover: recv from %s:%u  type=%d  id=%s",
                            qPrintable(datagram.senderAddress().toString()),
                            unsigned(datagram.senderPort()), int(msg.type), qPrintable(id));
                if (msg.type == imgr::IMGR_TYPE_ANSWER || msg.type == imgr::IMGR_TYPE_ANSWER_OLD)
                    found.insert(id, msg);
            } else if (verbose) {
                qCDebug(lcProtocol, "svpDiscover: recv %d bytes from %s:%u (unparsable)",
                        int(data.size()), qPrintable(datagram.senderAddress().toString()),
                        unsigned(datagram.senderPort()));
            }
        }
        if (deadline.hasExpired())
            break;
    }
    return found.values();
}

} // namespace

QHostAddress discoveryBroadcastFor(const QNetworkAddressEntry &entry)
{
    if (!entry.broadcast().isNull())
        return entry.broadcast();
    bool ok = false;
    const quint32 mask = entry.netmask().toIPv4Address(&ok);
    if (!ok || mask == 0)
        return {};
    const quint32 address = entry.ip().toIPv4Address();
    return QHostAddress((address & mask) | ~mask);
}

QList<imgr::ImgrMsg> svpDiscover(const QByteArray &clientId, const QByteArray &clientName,
                                 int timeoutMs, QAtomicInt *cancelFlag, const QHostAddress &target)
{
    QUdpSocket socket;
    if (!bindDiscoverySocket(socket))
        return {};

    QList<SendTarget> targets;
    if (target == kLimitedBroadcast) {
        const auto interfaces = QNetworkInterface::allInterfaces();
        for (const QNetworkInterface &iface : interfaces) {
            const auto flags = iface.flags();
            if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
                (flags & QNetworkInterface::IsLoopBack))
                continue;
            const auto entries = iface.addressEntries();
            for (const QNetworkAddressEntry &entry : entries) {
                if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                    continue;
                const QHostAddress broadcast = discoveryBroadcastFor(entry);
                if (broadcast.isNull())
                    continue;
                targets.append({iface.humanReadableName(), entry.ip().toString(), broadcast});
            }
        }
    } else {
        targets.append({QStringLiteral("(explicit)"), routeSourceAddress(), target});
    }

    if (targets.isEmpty())
        qCWarning(lcProtocol, "svpDiscover: no eligible IPv4 interface to broadcast on");

    for (int pass = 0; pass < 2; ++pass) {
        for (const SendTarget &t : std::as_const(targets)) {
            const QByteArray packet = imgr::makeDiscover(clientId, clientName, t.source).pack();
            if (pass == 0)
                qCDebug(lcProtocol, "svpDiscover: DISCOVER on %s  src=%s  bcast=%s",
                        qPrintable(t.label), qPrintable(t.source),
                        qPrintable(t.broadcast.toString()));
            socket.writeDatagram(packet, t.broadcast, SVP_DISCOVERY_PORT);
        }
        if (pass == 0)
            QThread::msleep(100);
    }

    return collectAnswers(socket, timeoutMs, cancelFlag, Sweep::Player);
}

QList<imgr::ImgrMsg> svpDiscoverRemote(const QByteArray &clientId, const QByteArray &clientName,
                                       int timeoutMs, QAtomicInt *cancelFlag,
                                       const QHostAddress &target)
{
    QUdpSocket socket;
    if (!bindDiscoverySocket(socket))
        return {};

    const QByteArray packet = imgr::makeDiscover(clientId, clientName, routeSourceAddress()).pack();

    QList<QHostAddress> destinations{target};
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || (flags & QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            const QHostAddress broadcast = entry.broadcast();
            if (!broadcast.isNull() && !destinations.contains(broadcast))
                destinations.append(broadcast);
        }
    }

    for (int pass = 0; pass < 2; ++pass) {
        for (const QHostAddress &destination : std::as_const(destinations))
            socket.writeDatagram(packet, destination, SVP_DISCOVERY_PORT);
        if (pass == 0)
            QThread::msleep(100);
    }

    return collectAnswers(socket, timeoutMs, cancelFlag, Sweep::Remote);
}
