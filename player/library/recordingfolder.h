// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The on-disk layout of one recording folder as the box writes it: the metadata database
// sv_metadata.db (tables info, state, flow), the fragmented media files video1 and audio<N>
// (with or without an extension), and an optional poster.png.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <memory>

class QTemporaryDir;

namespace recfolder {

inline const QString MetadataFileName = QStringLiteral("sv_metadata.db");
inline const QString MasterPlaylistName = QStringLiteral("master.m3u8");
inline const QString PosterFileName = QStringLiteral("poster.png");

// folder + "/sv_metadata.db".
QString metadataPath(const QString &folder);

// flow.Range: little-endian signed 64-bit offsets, one per fragment; a trailing remainder of
// fewer than 8 bytes is ignored.
QList<qint64> decodeRanges(const QByteArray &blob);

// The video media file of dir: the first regular file, in directory order, named video1 or
// video1.<ext> with an extension other than m3u8 (any case). Empty when there is none.
QString findVideoFile(const QString &dir);

// The audio media files of dir by track number: audio<N> or audio<N>.<ext> (ext not m3u8);
// audio01 is track 1. A later name replaces an earlier one for the same track.
QMap<int, QString> findAudioFiles(const QString &dir);

// channel.id: 64-bit value in hexadecimal text. Bits 63..60 are the ATSC version, 23..12 the
// major and 11..0 the minor channel number.
struct ChannelId
{
    bool valid = false;
    int atscVersion = -1;
    int major = 0;
    int minor = 0;
};
ChannelId parseChannelId(const QString &hex);

// program.start_time: ISO 8601 text, or seconds or milliseconds since the epoch (as a number or
// as decimal text); values above 100000000000 count as milliseconds. Invalid when unreadable.
QDateTime parseStartTime(const QJsonValue &value);

// Parses a Json column: text or blob holding a UTF-8 JSON object. *ok is false (and *error
// says why) when the bytes are not a JSON object.
QJsonObject parseJsonObject(const QByteArray &bytes, bool *ok = nullptr, QString *error = nullptr);

// The first of dbPath's rollback journal, write-ahead log and shared-memory file that is a
// symbolic link, or empty. SQLite opens these next to the database by name and writes into
// them, even for a reader (the shared-memory file), so a folder that plants a link there could
// make any access write wherever the link points.
QString linkedCompanionFile(const QString &dbPath);

// True when path is a symbolic link, or exists but is not a regular file.
bool isLinkOrNotRegularFile(const QString &path);

// One short-lived QSQLITE connection named prefix + a fresh UUID. The destructor closes it and
// removes it from the driver's registry; every QSqlQuery on it must be gone by then, so declare
// queries after the connection.
//
// Neither mode ever creates the file: a reader opens it read-only (so closing it never
// checkpoints a left-over write-ahead log into the user's file), a writer opens an existing
// file read-write. busyTimeoutMs bounds how long a statement waits for another program's lock.
class ScopedConnection
{
public:
    enum class Access { ReadOnly, ReadWrite };

    ScopedConnection(const QString &prefix, const QString &dbPath, Access access,
                     int busyTimeoutMs);
    ~ScopedConnection();

    ScopedConnection(const ScopedConnection &) = delete;
    ScopedConnection &operator=(const ScopedConnection &) = delete;

    bool open();
    QSqlDatabase &database() { return m_db; }
    QString errorText() const;
    QString name() const { return m_name; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

// A reader's connection to a recording's database. A writer that was killed or crashed inside a
// transaction leaves a hot journal beside the file: SQLite must roll it back before anyone may
// read, which a read-only connection is not allowed to do, so every read would fail ("attempt to
// write a readonly database") and the recording would drop out of the library with its position.
// Then the file and its journal are copied into a private folder and read there, where SQLite
// rolls the copy back: the reader sees the last committed content, and the recording folder
// stays untouched until the next writer rolls it back for real. Without a hot journal this is a
// plain read-only ScopedConnection.
class ReadConnection
{
public:
    ReadConnection(const QString &prefix, const QString &dbPath, int busyTimeoutMs);
    ~ReadConnection();

    ReadConnection(const ReadConnection &) = delete;
    ReadConnection &operator=(const ReadConnection &) = delete;

    bool open();
    QSqlDatabase &database() { return m_connection->database(); }
    QString errorText() const;
    // True when the reads go to a rolled-back copy.
    bool readsCopy() const { return bool(m_copy); }

private:
    QString m_prefix;
    QString m_dbPath;
    int m_busyTimeoutMs;
    std::unique_ptr<QTemporaryDir> m_copy;
    std::unique_ptr<ScopedConnection> m_connection;
    QString m_error;
};

// Whether an error of the QSQLITE driver means that a read-only connection met a hot journal
// (SQLite's SQLITE_READONLY_ROLLBACK).
bool isHotJournalError(const QSqlError &error);

// Whether an error of the QSQLITE driver means that another connection held a lock (SQLite's
// SQLITE_BUSY or SQLITE_LOCKED, extended codes included).
bool isBusyError(const QSqlError &error);

} // namespace recfolder
