// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "boxstorage.h"

#include <recordingfolder.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>

#include <algorithm>

namespace {

constexpr int kReadBusyMs = 2000;

// Rows 1 of info and state, as JSON objects; false when the folder is not a recording.
bool readMetadata(const QString &folder, QJsonObject *info, QJsonObject *state)
{
    const QString dbPath = recfolder::metadataPath(folder);
    if (!QFileInfo(dbPath).isFile() || !recfolder::linkedCompanionFile(dbPath).isEmpty())
        return false;
    QByteArray infoBytes;
    QByteArray stateBytes;
    {
        recfolder::ScopedConnection conn(QStringLiteral("boxsim-"), dbPath,
                                         recfolder::ScopedConnection::Access::ReadOnly,
                                         kReadBusyMs);
        if (!conn.open())
            return false;
        QSqlQuery q(conn.database());
        if (!q.exec(QStringLiteral("SELECT Json FROM info WHERE ID=1")) || !q.next())
            return false;
        infoBytes = q.value(0).toByteArray();
        if (q.exec(QStringLiteral("SELECT Json FROM state WHERE ID=1")) && q.next())
            stateBytes = q.value(0).toByteArray();
    }
    bool ok = false;
    *info = recfolder::parseJsonObject(infoBytes, &ok);
    if (!ok)
        return false;
    *state = recfolder::parseJsonObject(stateBytes);
    return true;
}

qint64 fileSize(const QString &path)
{
    const QFileInfo fi(path);
    return fi.isFile() ? fi.size() : 0;
}

} // namespace

bool BoxStorage::load(const QString &dir, QString *error)
{
    m_recordings.clear();
    m_root.clear();
    if (dir.isEmpty())
        return true;
    const QFileInfo rootInfo(dir);
    if (!rootInfo.isDir()) {
        *error = QStringLiteral("storage %1 is not a folder").arg(dir);
        return false;
    }
    m_root = rootInfo.canonicalFilePath();
    QStringList names = QDir(m_root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    quint32 next = 1;
    for (const QString &name : std::as_const(names)) {
        BoxRecording r;
        r.basename = name;
        r.folder = m_root + QLatin1Char('/') + name;
        if (!readMetadata(r.folder, &r.info, &r.state))
            continue;
        r.playId = next;
        r.recordId = 1000 + next;
        ++next;
        const QJsonValue position = r.state.value(QStringLiteral("position"));
        r.position = position.isDouble() ? position.toInt() : 0;
        r.hasPoster = QFileInfo(r.folder + QLatin1Char('/') + recfolder::PosterFileName).isFile();
        r.numBytes = fileSize(recfolder::metadataPath(r.folder));
        const QString video = recfolder::findVideoFile(r.folder);
        if (!video.isEmpty())
            r.numBytes += fileSize(r.folder + QLatin1Char('/') + video);
        const QMap<int, QString> audio = recfolder::findAudioFiles(r.folder);
        for (const QString &file : audio)
            r.numBytes += fileSize(r.folder + QLatin1Char('/') + file);
        if (r.hasPoster)
            r.numBytes += fileSize(r.folder + QLatin1Char('/') + recfolder::PosterFileName);
        m_recordings.append(r);
    }
    return true;
}

BoxRecording *BoxStorage::find(quint32 playId)
{
    for (BoxRecording &r : m_recordings) {
        if (r.playId == playId)
            return &r;
    }
    return nullptr;
}

const BoxRecording *BoxStorage::find(quint32 playId) const
{
    return const_cast<BoxStorage *>(this)->find(playId);
}

QJsonObject listEntry(const BoxRecording &recording, const QString &drivePrefix,
                      const QString &posterBase)
{
    const QJsonObject program = recording.info.value(QStringLiteral("program")).toObject();
    QJsonObject e;
    e.insert(QStringLiteral("play_id"), qint64(recording.playId));
    e.insert(QStringLiteral("record_id"), qint64(recording.recordId));
    for (const char *key : {"name", "title", "description", "season_num", "episode_num"}) {
        const QJsonValue v = program.value(QLatin1String(key));
        if (!v.isUndefined() && !v.isNull())
            e.insert(QLatin1String(key), v);
    }
    const QDateTime start = recfolder::parseStartTime(program.value(QStringLiteral("start_time")));
    if (start.isValid())
        e.insert(QStringLiteral("start_time"), start.toSecsSinceEpoch());
    const QJsonValue duration = program.value(QStringLiteral("duration"));
    if (duration.isDouble())
        e.insert(QStringLiteral("duration"), duration.toInt());
    const QJsonValue numSeconds = recording.state.value(QStringLiteral("num_seconds"));
    if (numSeconds.isDouble())
        e.insert(QStringLiteral("num_seconds"), numSeconds.toInt());
    const recfolder::ChannelId channel =
        recfolder::parseChannelId(recording.info.value(QStringLiteral("channel"))
                                      .toObject()
                                      .value(QStringLiteral("id"))
                                      .toString());
    if (channel.valid) {
        e.insert(QStringLiteral("chan_major"), channel.major);
        e.insert(QStringLiteral("chan_minor"), channel.minor);
        if (channel.atscVersion == 1 || channel.atscVersion == 3)
            e.insert(QStringLiteral("protocol"),
                     QStringLiteral("ATSC-%1").arg(channel.atscVersion));
    }
    e.insert(QStringLiteral("position"), recording.position);
    e.insert(QStringLiteral("thumb_name"),
             QStringLiteral("thumbnails/rec_%1.jpg").arg(recording.recordId));
    if (recording.hasPoster && !posterBase.isEmpty())
        e.insert(QStringLiteral("poster"), QString(posterBase + QString::number(recording.playId)));
    e.insert(QStringLiteral("drive_path"), QString(drivePrefix + recording.basename));
    e.insert(QStringLiteral("num_bytes"), recording.numBytes);
    return e;
}

QByteArray BoxStorage::listJson(const QString &posterBase) const
{
    const QString prefix = QStringLiteral("/media/%1/").arg(QFileInfo(m_root).fileName());
    QJsonArray rows;
    for (const BoxRecording &r : m_recordings)
        rows.append(listEntry(r, prefix, posterBase));
    QJsonObject doc;
    doc.insert(QStringLiteral("recordings"), rows);
    return QJsonDocument(doc).toJson(QJsonDocument::Compact);
}

QString BoxStorage::resolveDownload(const QString &path) const
{
    if (m_root.isEmpty() || path.isEmpty() || path.startsWith(QLatin1Char('/')) ||
        path.contains(QLatin1Char('\\')) || path.contains(QLatin1Char(':')) ||
        path.contains(QChar(0)))
        return {};
    const QStringList parts = path.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return {};
    }
    const QFileInfo file(m_root + QLatin1Char('/') + path);
    if (!file.isFile())
        return {};
    // A link inside the storage must not lead out of it.
    const QString canonical = file.canonicalFilePath();
    if (!canonical.startsWith(m_root + QLatin1Char('/')))
        return {};
    return canonical;
}

FilePiece readFilePiece(const QString &path, qint64 offset, qint64 length)
{
    FilePiece piece;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return piece;
    piece.size = file.size();
    piece.ok = true;
    if (offset >= piece.size || length <= 0)
        return piece;
    if (!file.seek(offset)) {
        piece.ok = false;
        return piece;
    }
    piece.bytes = file.read(std::min(length, piece.size - offset));
    return piece;
}
