// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The answer to an HTTP Range header for a body of known size: the whole body, one inclusive
// byte range of it (206), or nothing (416).
#pragma once

#include <QByteArray>
#include <QtGlobal>

struct ByteRange
{
    enum class Kind {
        Whole,         // no usable Range header: 200 with the whole body
        Partial,       // 206 with bytes first..last (both inclusive)
        Unsatisfiable, // 416 with "Content-Range: bytes */size"
    };
    Kind kind = Kind::Whole;
    qint64 first = 0;
    qint64 last = -1;

    qint64 length() const { return last - first + 1; }
};

// Reads a "bytes=" Range header of a single range: "a-b" (b past the end is cut to it), "a-"
// and the suffix form "-n". A range that starts at or past the end, and a suffix of zero bytes,
// cannot be satisfied. An empty header, another unit, several ranges or a malformed one are
// ignored, as a server may: the whole body is sent.
ByteRange answerRange(const QByteArray &header, qint64 size);

// The Content-Range value for a partial answer ("bytes a-b/size") or an unsatisfiable one
// ("bytes */size").
QByteArray contentRange(const ByteRange &range, qint64 size);
