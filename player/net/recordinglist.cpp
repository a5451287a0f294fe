// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "recordinglist.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QVariant>

#include <cmath>
#include <limits>

namespace {

// A JSON number cut towards zero to 64 bits; values past the range stop at its ends.
qint64 truncatedInteger(const QJsonValue &value)
{
    const QVariant v = value.toVariant();
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::ULongLong ||
        v.typeId() == QMetaType::Int)
        return v.toLongLong();
    const double d = std::trunc(value.toDouble());
    if (d >= 9223372036854775807.0)
        return std::numeric_limits<qint64>::max();
    if (d <= -9223372036854775808.0)
        return std::numeric_limits<qint64>::min();
    return qint64(d);
}

QString textField(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return QString::number(truncatedInteger(v));
    return QString();
}

int intField(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined() || v.isNull())
        return 0;
    return v.toVariant().toInt();
}

QString variantText(const QJsonValue &v)
{
    return v.toVariant().toString();
}

QDateTime startTime(const QJsonValue &v)
{
    qint64 seconds = 0;
    if (v.isString()) {
        bool ok = false;
        seconds = v.toString().toLongLong(&ok, 10);
        if (!ok)
            return QDateTime();
    } else if (v.isDouble()) {
        seconds = truncatedInteger(v);
    } else {
        return QDateTime();
    }
    if (seconds < 1)
        return QDateTime();
    return QDateTime::fromSecsSinceEpoch(seconds);
}

QJsonArray recordingArray(const QByteArray &payload)
{
    const QJsonDocument doc = QJsonDocument::fromJson(payload);
    if (doc.isArray())
        return doc.array();
    if (!doc.isObject())
        return QJsonArray();
    const QJsonObject object = doc.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it.value().isArray())
            return it.value().toArray();
    }
    return QJsonArray{object};
}

RemoteRecording recordingFrom(const QJsonObject &o)
{
    RemoteRecording r;
    r.name = textField(o, QStringLiteral("name"));
    r.title = textField(o, QStringLiteral("title"));
    r.description = textField(o, QStringLiteral("description"));
    const QString protocol = textField(o, QStringLiteral("protocol"));
    r.thumbName = textField(o, QStringLiteral("thumb_name"));
    r.posterUrl = textField(o, QStringLiteral("poster"));
    const QString drivePath = textField(o, QStringLiteral("drive_path"));

    const QString season = variantText(o.value(QStringLiteral("season_num")));
    const QString episode = variantText(o.value(QStringLiteral("episode_num")));
    if (!season.isEmpty() && !episode.isEmpty())
        r.seasonEpisode = QStringLiteral("S%1E%2").arg(season, episode);

    r.recordedAt = startTime(o.value(QStringLiteral("start_time")));

    const int major = intField(o, QStringLiteral("chan_major"));
    const int minor = intField(o, QStringLiteral("chan_minor"));
    if (major > 0) {
        r.channel = protocol.isEmpty()
                        ? QStringLiteral("%1.%2").arg(major).arg(minor)
                        : QStringLiteral("%1.%2 (%3)").arg(major).arg(minor).arg(protocol);
    }
    if (protocol == QLatin1String("ATSC-3"))
        r.atscVersion = 3;
    else if (protocol == QLatin1String("ATSC-1"))
        r.atscVersion = 1;

    r.playId = quint32(intField(o, QStringLiteral("play_id")));
    r.entryId = quint32(intField(o, QStringLiteral("record_id")));
    r.position = intField(o, QStringLiteral("position"));
    const QJsonValue numSeconds = o.value(QStringLiteral("num_seconds"));
    r.duration = (numSeconds.isUndefined() || numSeconds.isNull())
                     ? intField(o, QStringLiteral("duration"))
                     : intField(o, QStringLiteral("num_seconds"));

    if (!drivePath.isEmpty())
        r.driveBasename = drivePath.mid(drivePath.lastIndexOf(QLatin1Char('/')) + 1);
    r.numBytes = o.value(QStringLiteral("num_bytes")).toVariant().toLongLong();
    return r;
}

bool isWindowsDeviceName(const QString &basename)
{
    const QString stem = basename.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList fixed{QStringLiteral("CON"),    QStringLiteral("PRN"),
                                   QStringLiteral("AUX"),    QStringLiteral("NUL"),
                                   QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (fixed.contains(stem))
        return true;
    if (stem.size() == 4 &&
        (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT")))) {
        const QChar last = stem.at(3);
        return (last >= QLatin1Char('1') && last <= QLatin1Char('9')) || last == QChar(0x00b9) ||
               last == QChar(0x00b2) || last == QChar(0x00b3);
    }
    return false;
}

} // namespace

QList<RemoteRecording> parseRecordingList(const QByteArray &payload)
{
    const QJsonArray array = recordingArray(payload);
    QList<RemoteRecording> rows;
    rows.reserve(array.size());
    for (const QJsonValue &element : array) {
        if (element.isObject())
            rows.append(recordingFrom(element.toObject()));
    }
    return rows;
}

QString folderNameProblem(const QString &basename, FolderNameRules rules)
{
    if (basename.isEmpty())
        return QStringLiteral("the name is empty");
    if (basename == QLatin1String(".") || basename == QLatin1String(".."))
        return QStringLiteral("the name is \"%1\"").arg(basename);
    if (basename == QLatin1String(".norplay-dl"))
        return QStringLiteral("the name is the staging folder's");
    for (const QChar c : basename) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return QStringLiteral("the name contains a path separator");
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("the name contains a control character");
    }
    if (basename.toUtf8().size() > 255)
        return QStringLiteral("the name is longer than a folder name may be");
#ifdef Q_OS_WIN
    const bool windows = rules != FolderNameRules::Portable;
#else
    const bool windows = rules == FolderNameRules::Windows;
#endif
    if (windows) {
        for (const QChar c : basename) {
            if (QStringView(u"<>:\"|?*").contains(c))
                return QStringLiteral("the name contains a character Windows refuses");
        }
        if (basename.endsWith(QLatin1Char('.')) || basename.endsWith(QLatin1Char(' ')))
            return QStringLiteral("the name ends in a dot or a space");
        if (isWindowsDeviceName(basename))
            return QStringLiteral("the name is a Windows device name");
    }
    return QString();
}
