// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "boxjournal.h"

#include <cstdio>

bool BoxJournal::open(const QString &path, QString *error)
{
    m_clock.start();
    if (path.isEmpty())
        return true;
    if (path == QLatin1String("-")) {
        m_stdout = true;
        m_open = true;
        return true;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *error = QStringLiteral("journal %1: %2").arg(path, m_file.errorString());
        return false;
    }
    m_open = true;
    return true;
}

QString BoxJournal::field(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QStringLiteral("-");
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = uchar(c);
        if (u <= 0x20 || u >= 0x7f || c == '%') {
            out += '%';
            out += QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
        } else {
            out += c;
        }
    }
    return QString::fromLatin1(out);
}

QString BoxJournal::svpLine(const BoxRequest &request, quint32 status, bool answered)
{
    const SvpHeader &h = request.header;
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
        .arg(request.overUdp ? QStringLiteral("udp") : QStringLiteral("tcp"), apiName(h.api))
        .arg(h.arg0)
        .arg(h.arg1)
        .arg(h.arg2)
        .arg(h.arg3)
        .arg(answered ? QString::number(status) : QStringLiteral("none"), field(request.payload));
}

void BoxJournal::svp(const BoxRequest &request, quint32 status, bool answered)
{
    write(svpLine(request, status, answered));
}

void BoxJournal::http(const QString &method, const QString &path, const QByteArray &range,
                      int status)
{
    write(QStringLiteral("http %1 %2 %3 %4")
              .arg(method, field(path.toUtf8()), field(range))
              .arg(status == 0 ? QStringLiteral("none") : QString::number(status)));
}

void BoxJournal::write(const QString &line)
{
    if (!m_open)
        return;
    const QByteArray text = QByteArray::number(m_clock.elapsed()) + ' ' + line.toUtf8() + '\n';
    if (m_stdout) {
        std::fputs("boxsim: journal ", stdout);
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fflush(stdout);
    } else {
        m_file.write(text);
    }
}
