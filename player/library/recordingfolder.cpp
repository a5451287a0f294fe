// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "recordingfolder.h"
#include "librarylog.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>
#include <QtEndian>

#include <cmath>

namespace recfolder {

namespace {

const QRegularExpression &videoPattern()
{
    static const QRegularExpression re(QStringLiteral("^video1(?:\\.([A-Za-z0-9]+))?$"));
    return re;
}

const QRegularExpression &audioPattern()
{
    static const QRegularExpression re(QStringLiteral("^audio(\\d+)(?:\\.([A-Za-z0-9]+))?$"));
    return re;
}

bool isPlaylistExtension(const QString &ext)
{
    return ext.compare(QLatin1String("m3u8"), Qt::CaseInsensitive) == 0;
}

// Regular files of dir in the order the file system lists them.
QStringList regularFiles(const QString &dir)
{
    QStringList names;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isFile())
            names.append(it.fileName());
    }
    return names;
}

QDateTime fromEpochNumber(qint64 n)
{
    // Above 100000000000 the number is taken as milliseconds; seconds beyond the range that
    // milliseconds can hold are rejected rather than overflowed.
    if (n > 100000000000LL)
        return QDateTime::fromMSecsSinceEpoch(n).toLocalTime();
    if (n < -9000000000000000LL / 1000)
        return {};
    return QDateTime::fromSecsSinceEpoch(n).toLocalTime();
}

} // namespace

QString metadataPath(const QString &folder)
{
    return folder + QLatin1Char('/') + MetadataFileName;
}

QList<qint64> decodeRanges(const QByteArray &blob)
{
    QList<qint64> out;
    const qsizetype n = blob.size() / 8;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        out.append(qFromLittleEndian<qint64>(blob.constData() + 8 * i));
    return out;
}

QString findVideoFile(const QString &dir)
{
    for (const QString &name : regularFiles(dir)) {
        const auto m = videoPattern().match(name);
        if (m.hasMatch() && !isPlaylistExtension(m.captured(1)))
            return name;
    }
    return {};
}

QMap<int, QString> findAudioFiles(const QString &dir)
{
    QMap<int, QString> out;
    for (const QString &name : regularFiles(dir)) {
        const auto m = audioPattern().match(name);
        if (!m.hasMatch() || isPlaylistExtension(m.captured(2)))
            continue;
        bool ok = false;
        const int track = m.captured(1).toInt(&ok, 10);
        if (ok)
            out.insert(track, name);
    }
    return out;
}

ChannelId parseChannelId(const QString &hex)
{
    ChannelId c;
    bool ok = false;
    const quint64 v = hex.toULongLong(&ok, 16);
    if (!ok)
        return c;
    c.valid = true;
    c.atscVersion = int(v >> 60);
    c.major = int((v >> 12) & 0xfff);
    c.minor = int(v & 0xfff);
    return c;
}

QDateTime parseStartTime(const QJsonValue &value)
{
    if (value.isString()) {
        const QString text = value.toString();
        const QDateTime iso = QDateTime::fromString(text, Qt::ISODate);
        if (iso.isValid())
            return iso.toLocalTime();
        bool ok = false;
        const qint64 n = text.toLongLong(&ok, 10);
        return ok ? fromEpochNumber(n) : QDateTime();
    }
    if (value.isDouble()) {
        const double d = value.toDouble();
        // Truncation of a value outside the 64-bit range would be undefined.
        if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
            return {};
        return fromEpochNumber(qint64(d));
    }
    return {};
}

QJsonObject parseJsonObject(const QByteArray &bytes, bool *ok, QString *error)
{
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &err);
    const bool good = !doc.isNull() && doc.isObject();
    if (ok)
        *ok = good;
    if (error)
        *error = err.errorString();
    return good ? doc.object() : QJsonObject();
}

QString linkedCompanionFile(const QString &dbPath)
{
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        const QString path = dbPath + QLatin1String(suffix);
        if (QFileInfo(path).isSymLink())
            return path;
    }
    return {};
}

bool isLinkOrNotRegularFile(const QString &path)
{
    const QFileInfo info(path);
    // A dangling link does not exist() but is still a link.
    return info.isSymLink() || (info.exists() && !info.isFile());
}

ScopedConnection::ScopedConnection(const QString &prefix, const QString &dbPath, Access access,
                                   int busyTimeoutMs)
    : m_name(prefix + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    const QString timeout = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
    if (access == Access::ReadOnly) {
        m_db.setDatabaseName(dbPath);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;") + timeout);
    } else {
        // The driver's read-write mode would create a missing file; the URI form with mode=rw
        // opens an existing one only.
        m_db.setDatabaseName(QUrl::fromLocalFile(dbPath).toString(QUrl::FullyEncoded) +
                             QStringLiteral("?mode=rw"));
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;") + timeout);
    }
}

ScopedConnection::~ScopedConnection()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool ScopedConnection::open()
{
    return m_db.open();
}

QString ScopedConnection::errorText() const
{
    return m_db.lastError().text();
}

ReadConnection::ReadConnection(const QString &prefix, const QString &dbPath, int busyTimeoutMs)
    : m_prefix(prefix)
    , m_dbPath(dbPath)
    , m_busyTimeoutMs(busyTimeoutMs)
    , m_connection(std::make_unique<ScopedConnection>(
          prefix, dbPath, ScopedConnection::Access::ReadOnly, busyTimeoutMs))
{}

ReadConnection::~ReadConnection() = default;

bool ReadConnection::open()
{
    if (!m_connection->open())
        return false;
    // Only a journal that is there and not empty can be hot; then the first read tells.
    if (QFileInfo(m_dbPath + QStringLiteral("-journal")).size() <= 0)
        return true;
    {
        QSqlQuery probe(m_connection->database());
        if (probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) ||
            !isHotJournalError(probe.lastError()))
            return true;
    }
    qCInfo(lcLibrary) << "ReadConnection: an interrupted write left a hot journal beside"
                      << m_dbPath << "— reading a rolled-back copy";
    m_connection.reset();
    m_copy = std::make_unique<QTemporaryDir>();
    const QString copy = m_copy->filePath(MetadataFileName);
    if (!m_copy->isValid() || !QFile::copy(m_dbPath, copy) ||
        !QFile::copy(m_dbPath + QStringLiteral("-journal"), copy + QStringLiteral("-journal"))) {
        m_error = QStringLiteral("the database has an interrupted write that could not be "
                                 "rolled back in a copy");
        m_connection = std::make_unique<ScopedConnection>(
            m_prefix, m_dbPath, ScopedConnection::Access::ReadOnly, m_busyTimeoutMs);
        return false;
    }
    m_connection = std::make_unique<ScopedConnection>(
        m_prefix, copy, ScopedConnection::Access::ReadWrite, m_busyTimeoutMs);
    return m_connection->open();
}

QString ReadConnection::errorText() const
{
    return m_error.isEmpty() ? m_connection->errorText() : m_error;
}

bool isHotJournalError(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    // SQLITE_READONLY_ROLLBACK; a driver without extended codes gives SQLITE_READONLY (8), which a
    // read-only connection that only reads meets for no other reason.
    return ok && (code == (8 | (3 << 8)) || code == 8);
}

bool isBusyError(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    // The primary result code is the low byte of an extended one.
    const int primary = code & 0xff;
    return ok && (primary == 5 || primary == 6);
}

} // namespace recfolder
