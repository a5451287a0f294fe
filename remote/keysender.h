// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Sends remote-control key commands to the chosen box over the "Nkey" key protocol and reports,
// per command, that it was sent and then that the box acknowledged it or why it failed.
//
// GUI thread only: the socket, its reply reader and the per-send timers all live there.
#pragma once

#include "keyprotocol.h"

#include <QHash>
#include <QObject>
#include <QString>

class QUdpSocket;

class KeySender : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString host READ host WRITE setHost NOTIFY hostChanged)
    Q_PROPERTY(QString deviceName READ deviceName WRITE setDeviceName NOTIFY deviceNameChanged)

public:
    explicit KeySender(QObject *parent = nullptr);

    QString host() const { return m_host; }
    // A new host clears the name (a name belongs to one address): set the host first.
    void setHost(const QString &host);

    QString deviceName() const { return m_deviceName; }
    void setDeviceName(const QString &name);

    // The box's key port; only tests and tools aim elsewhere.
    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }

    // Commands sent and neither answered nor timed out yet.
    int pendingCount() const { return int(m_pending.size()); }

    Q_INVOKABLE void sendKey(const QString &keys);

signals:
    void hostChanged();
    void deviceNameChanged();
    void keySent(QString keys);
    void keyAcknowledged(QString keys);
    void keyFailed(QString keys, QString reason);

private:
    struct Pending
    {
        QString keys;
        quint64 serial = 0; // tells this send from a later one that reuses the sequence
    };

    void readReplies();
    void expire(quint8 sequence, quint64 serial);
    QString noResponseText() const;

    QString m_host;
    QString m_deviceName;
    quint16 m_port = keyproto::KEY_PORT;
    QUdpSocket *m_socket = nullptr;
    quint8 m_nextSequence = 0;
    quint64 m_nextSerial = 0;
    QHash<quint8, Pending> m_pending;
};
