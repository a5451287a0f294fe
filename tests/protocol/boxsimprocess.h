// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Runs the stand-in box as a child process for a test: on loopback, or inside a host of the
// test network. Always stopped by the destructor.
#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

class BoxSimProcess
{
public:
    // `netnsHost` empty: run here; otherwise a host of scripts/testnet (box1, box2, client).
    explicit BoxSimProcess(QStringList arguments, QString netnsHost = QString());
    ~BoxSimProcess();
    BoxSimProcess(const BoxSimProcess &) = delete;
    BoxSimProcess &operator=(const BoxSimProcess &) = delete;

    // Starts boxsim and waits for its ready line. On failure returns false with the reason.
    bool start(QString *error);
    void stop();

    quint16 svpPort() const { return m_svpPort; }
    quint16 discoveryPort() const { return m_discoveryPort; }
    quint16 keyPort() const { return m_keyPort; }

    // Every key command the box received so far, in order, as (sequence, command, result),
    // after waiting `settleMs` for late output.
    struct ReceivedKey
    {
        int sequence = 0;
        QString keys;
        int result = 0;
    };
    QList<ReceivedKey> keysReceived(int settleMs = 200);

    // Every "boxsim: <channel> from <addr> <hex>" line printed so far, as "<channel> <hex>",
    // after waiting `settleMs` for late output. Needs "--trace" among the arguments; keep the
    // packets small then, since nothing reads the pipe while a test blocks in a request.
    QStringList received(int settleMs = 200);

private:
    void drain();

    QStringList m_arguments;
    QString m_host;
    QProcess m_process;
    QByteArray m_stdout;
    quint16 m_svpPort = 0;
    quint16 m_discoveryPort = 0;
    quint16 m_keyPort = 0;
};
