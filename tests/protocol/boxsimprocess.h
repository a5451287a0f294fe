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
    quint16 httpPort() const { return m_httpPort; }

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

    // One line of boxsim's journal (--journal FILE, or --journal - for standard output).
    struct JournalEntry
    {
        qint64 ms = 0;       // since boxsim started
        QString channel;     // "tcp", "udp" or "http"
        QString api;         // SVP: "DVR_START"...; HTTP: the method
        QList<quint32> args; // SVP: arg0..arg3
        QString status;      // the status answered, or "none"
        QByteArray payload;  // SVP: the request's text; HTTP: the Range header
        QString path;        // HTTP: the path
    };
    // The entries of a journal file, or (with an empty path) those boxsim printed so far after
    // waiting `settleMs` for late output.
    QList<JournalEntry> journal(const QString &path = QString(), int settleMs = 200);
    static QList<JournalEntry> parseJournal(const QStringList &lines);

private:
    void drain();

    QStringList m_arguments;
    QString m_host;
    QProcess m_process;
    QByteArray m_stdout;
    quint16 m_svpPort = 0;
    quint16 m_discoveryPort = 0;
    quint16 m_keyPort = 0;
    quint16 m_httpPort = 0;
};
