// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "boxsimprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

BoxSimProcess::BoxSimProcess(QStringList arguments, QString netnsHost)
    : m_arguments(std::move(arguments))
    , m_host(std::move(netnsHost))
{}

BoxSimProcess::~BoxSimProcess()
{
    stop();
}

bool BoxSimProcess::start(QString *error)
{
    QStringList args = m_arguments;
    if (m_host.isEmpty()) {
        m_process.start(QStringLiteral(BOXSIM_PATH), args);
    } else {
        args.prepend(QStringLiteral(BOXSIM_PATH));
        args.prepend(m_host);
        args.prepend(QStringLiteral("exec"));
        m_process.start(QStringLiteral(TESTNET_SCRIPT), args);
    }
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("boxsim did not start: %1").arg(m_process.errorString());
        return false;
    }
    const QRegularExpression ready(
        QStringLiteral("boxsim: ready \\S+ svp=(\\d+) discovery=\\S+:(\\d+)"));
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        drain();
        const auto match = ready.match(QString::fromLatin1(m_stdout));
        if (match.hasMatch()) {
            m_svpPort = quint16(match.captured(1).toUInt());
            m_discoveryPort = quint16(match.captured(2).toUInt());
            const auto key = QRegularExpression(QStringLiteral("boxsim: ready .* key=(\\d+)"))
                                 .match(QString::fromLatin1(m_stdout));
            m_keyPort = key.hasMatch() ? quint16(key.captured(1).toUInt()) : 0;
            const auto http = QRegularExpression(QStringLiteral("boxsim: ready .* http=(\\d+)"))
                                  .match(QString::fromLatin1(m_stdout));
            m_httpPort = http.hasMatch() ? quint16(http.captured(1).toUInt()) : 0;
            return true;
        }
        if (m_process.state() == QProcess::NotRunning)
            break;
        m_process.waitForReadyRead(100);
    }
    *error = QStringLiteral("boxsim not ready: %1 %2")
                 .arg(QString::fromLocal8Bit(m_stdout),
                      QString::fromLocal8Bit(m_process.readAllStandardError()));
    stop();
    return false;
}

void BoxSimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

void BoxSimProcess::drain()
{
    m_stdout += m_process.readAllStandardOutput();
}

QList<BoxSimProcess::ReceivedKey> BoxSimProcess::keysReceived(int settleMs)
{
    received(settleMs); // waits and drains
    QList<ReceivedKey> keys;
    const QRegularExpression line(
        QStringLiteral("^boxsim: key from \\S+ seq=(\\d+) result=(\\d+) (\\S*)$"));
    const auto all = QString::fromLatin1(m_stdout).split(QLatin1Char('\n'));
    for (const QString &text : all) {
        const auto match = line.match(text);
        if (match.hasMatch())
            keys.append(
                {match.captured(1).toInt(),
                 QString::fromUtf8(QByteArray::fromPercentEncoding(match.captured(3).toLatin1())),
                 match.captured(2).toInt()});
    }
    return keys;
}

QStringList BoxSimProcess::received(int settleMs)
{
    QDeadlineTimer settle(settleMs);
    while (!settle.hasExpired()) {
        m_process.waitForReadyRead(int(std::max<qint64>(settle.remainingTime(), 1)));
        drain();
    }
    drain();
    QStringList lines;
    const QRegularExpression packet(QStringLiteral("^boxsim: (\\w+) from \\S+ ([0-9a-f]*)$"));
    const auto all = QString::fromLatin1(m_stdout).split(QLatin1Char('\n'));
    for (const QString &line : all) {
        const auto match = packet.match(line);
        if (match.hasMatch())
            lines << match.captured(1) + QLatin1Char(' ') + match.captured(2);
    }
    return lines;
}

QList<BoxSimProcess::JournalEntry> BoxSimProcess::journal(const QString &path, int settleMs)
{
    QStringList lines;
    if (path.isEmpty()) {
        received(settleMs); // waits and drains
        const QString prefix = QStringLiteral("boxsim: journal ");
        const auto all = QString::fromUtf8(m_stdout).split(QLatin1Char('\n'));
        for (const QString &line : all) {
            if (line.startsWith(prefix))
                lines << line.mid(prefix.size());
        }
    } else {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    return parseJournal(lines);
}

QList<BoxSimProcess::JournalEntry> BoxSimProcess::parseJournal(const QStringList &lines)
{
    QList<JournalEntry> entries;
    const auto unescape = [](const QString &field) {
        return field == QLatin1String("-") ? QByteArray()
                                           : QByteArray::fromPercentEncoding(field.toLatin1());
    };
    for (const QString &line : lines) {
        const QStringList f = line.split(QLatin1Char(' '));
        JournalEntry e;
        if (f.size() == 9 && (f[1] == QLatin1String("tcp") || f[1] == QLatin1String("udp"))) {
            e.ms = f[0].toLongLong();
            e.channel = f[1];
            e.api = f[2];
            for (int i = 3; i < 7; ++i)
                e.args << f[i].toUInt();
            e.status = f[7];
            e.payload = unescape(f[8]);
        } else if (f.size() == 6 && f[1] == QLatin1String("http")) {
            e.ms = f[0].toLongLong();
            e.channel = f[1];
            e.api = f[2];
            e.path = QString::fromUtf8(unescape(f[3]));
            e.payload = unescape(f[4]);
            e.status = f[5];
        } else {
            continue;
        }
        entries << e;
    }
    return entries;
}
