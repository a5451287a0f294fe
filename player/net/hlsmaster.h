// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// A box's HLS master playlist, fetched over HTTP and rewritten for a local copy: every media URI
// absolute against the URL it came from, and no variant that is only an audio rendition's
// playlist. The URIs are only rewritten here, never fetched.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

struct HlsMasterFetch
{
    bool ok = false;
    QString error;
    QString text; // the rewritten master playlist when ok
};

// GETs `url` and rewrites the body. Blocks; spins a private event loop, so it runs on a thread
// without an event loop of its own (a pool thread).
HlsMasterFetch fetchHlsMaster(const QUrl &url, int timeoutMs);

// The rewritten playlist, or an empty string when `body` is not a master playlist (no
// "#EXT-X-STREAM-INF" line). Output lines end in "\n" whatever the input used.
QString rewriteHlsMaster(const QByteArray &body, const QUrl &base);

// `line` with its URI="..." attribute resolved against `base` when relative.
QString absolutizeUriAttribute(const QString &line, const QUrl &base);

// The value of the attribute `name` (name="value") in a tag line, or an empty string.
QString hlsAttribute(const QString &line, const QString &name);
