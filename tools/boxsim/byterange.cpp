// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "byterange.h"

#include <QString>

#include <algorithm>

namespace {

// A non-empty run of decimal digits that fits a 64-bit signed integer.
bool readPosition(const QByteArray &text, qint64 *out)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok)
        return false;
    *out = value;
    return true;
}

} // namespace

ByteRange answerRange(const QByteArray &header, qint64 size)
{
    ByteRange whole;
    const QByteArray text = header.trimmed();
    const QByteArray unit = "bytes=";
    if (text.size() <= unit.size() || text.left(unit.size()).toLower() != unit)
        return whole;
    const QByteArray spec = text.mid(unit.size()).trimmed();
    if (spec.contains(','))
        return whole;
    const qsizetype dash = spec.indexOf('-');
    if (dash < 0)
        return whole;
    const QByteArray firstText = spec.left(dash).trimmed();
    const QByteArray lastText = spec.mid(dash + 1).trimmed();

    ByteRange none;
    none.kind = ByteRange::Kind::Unsatisfiable;
    ByteRange partial;
    partial.kind = ByteRange::Kind::Partial;

    if (firstText.isEmpty()) {
        qint64 suffix = 0;
        if (!readPosition(lastText, &suffix))
            return whole;
        if (suffix == 0 || size <= 0)
            return none;
        partial.first = suffix >= size ? 0 : size - suffix;
        partial.last = size - 1;
        return partial;
    }

    qint64 first = 0;
    if (!readPosition(firstText, &first))
        return whole;
    qint64 last = size - 1;
    if (!lastText.isEmpty()) {
        if (!readPosition(lastText, &last) || last < first)
            return whole;
    }
    if (first >= size)
        return none;
    partial.first = first;
    partial.last = std::min(last, size - 1);
    return partial;
}

QByteArray contentRange(const ByteRange &range, qint64 size)
{
    if (range.kind == ByteRange::Kind::Partial)
        return QByteArray("bytes ") + QByteArray::number(range.first) + '-' +
               QByteArray::number(range.last) + '/' + QByteArray::number(size);
    return QByteArray("bytes */") + QByteArray::number(size);
}
