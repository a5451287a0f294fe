// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "keysender.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

KeySender::KeySender(QObject *parent)
    : QObject(parent)
{}

void KeySender::setHost(const QString &host)
{
    if (host == m_host)
        return;
    m_host = host;
    if (!m_deviceName.isEmpty()) {
        m_deviceName.clear();
        emit deviceNameChanged();
    }
    emit hostChanged();
}

void KeySender::setDeviceName(const QString &name)
{
    if (name == m_deviceName)
        return;
    m_deviceName = name;
    emit deviceNameChanged();
}

QString KeySender::noResponseText() const
{
    return tr("no response from %1").arg(m_deviceName.isEmpty() ? m_host : m_deviceName);
}

void KeySender::sendKey(const QString &keys)
{
    if (m_host.isEmpty()) {
        emit keyFailed(keys, tr("no device configured"));
        return;
    }
    const QHostAddress address(m_host);
    if (address.isNull()) {
        emit keyFailed(keys, tr("invalid IP address '%1'").arg(m_host));
        return;
    }
    const QByteArray utf8 = keys.toUtf8();
    if (utf8.size() > keyproto::MAX_KEY_BYTES) {
        emit keyFailed(keys, tr("key string too long"));
        return;
    }
    if (!m_socket) {
        m_socket = new QUdpSocket(this);
        connect(m_socket, &QUdpSocket::readyRead, this, &KeySender::readReplies);
    }

    const quint8 sequence = ++m_nextSequence;
    // With 256 commands in flight the sequence comes round to one still waiting. Its reply could
    // no longer be told from the new command's, so the older command ends here: every command
    // still ends exactly once.
    const auto previous = m_pending.constFind(sequence);
    if (previous != m_pending.constEnd()) {
        const QString stale = previous->keys;
        m_pending.erase(previous);
        emit keyFailed(stale, noResponseText());
    }

    const qint64 written =
        m_socket->writeDatagram(keyproto::packRequest(sequence, utf8), address, m_port);
    if (written < keyproto::REQUEST_SIZE) {
        emit keyFailed(keys, tr("send failed: %1").arg(m_socket->errorString()));
        return;
    }

    const quint64 serial = ++m_nextSerial;
    m_pending.insert(sequence, Pending{keys, serial});
    emit keySent(keys);
    QTimer::singleShot(keyproto::ACK_TIMEOUT_MS, Qt::PreciseTimer, this,
                       [this, sequence, serial] { expire(sequence, serial); });
}

void KeySender::expire(quint8 sequence, quint64 serial)
{
    const auto it = m_pending.constFind(sequence);
    if (it == m_pending.constEnd() || it->serial != serial)
        return; // answered, or its sequence already belongs to a later command
    const QString keys = it->keys;
    m_pending.erase(it);
    emit keyFailed(keys, noResponseText());
}

void KeySender::readReplies()
{
    while (m_socket->hasPendingDatagrams()) {
        const std::optional<keyproto::KeyReply> reply =
            keyproto::parseReply(m_socket->receiveDatagram().data());
        if (!reply)
            continue;
        const auto it = m_pending.constFind(reply->sequence);
        if (it == m_pending.constEnd())
            continue; // late, after its timeout, or never asked for
        const QString keys = it->keys;
        m_pending.erase(it);
        if (reply->result == 0)
            emit keyAcknowledged(keys);
        else
            emit keyFailed(keys, tr("device could not parse the key string"));
    }
}
