// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// What the box received, one line per request, for tests to assert on: SVP requests with their
// arguments, payload and the status answered, and HTTP requests with their Range header and
// status. Each line is flushed at once.
#pragma once

#include "boxserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>

class BoxJournal
{
public:
    // `path` "-" writes to standard output (each line prefixed "boxsim: journal ").
    bool open(const QString &path, QString *error);

    void svp(const BoxRequest &request, quint32 status, bool answered);
    void http(const QString &method, const QString &path, const QByteArray &range, int status);

    // The line for an SVP request, without the leading milliseconds.
    static QString svpLine(const BoxRequest &request, quint32 status, bool answered);
    // Text with '%', spaces, control and non-ASCII bytes percent-encoded; "-" when empty.
    static QString field(const QByteArray &bytes);

private:
    void write(const QString &line);

    QElapsedTimer m_clock;
    QFile m_file;
    bool m_stdout = false;
    bool m_open = false;
};
