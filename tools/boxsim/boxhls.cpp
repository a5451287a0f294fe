// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "boxhls.h"

#include <playlistgenerator.h>
#include <recordingfolder.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <stdexcept>

namespace {

constexpr int kReadBusyMs = 2000;

[[noreturn]] void fail(const QString &text)
{
    throw std::runtime_error(text.toUtf8().toStdString());
}

double nominalSeconds(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT Playlist FROM flow WHERE Type = 'video'")) || !q.next())
        return PlaylistGenerator::DEFAULT_NOMINAL_SECONDS;
    const QVariant v = q.value(0);
    const QString text =
        v.typeId() == QMetaType::QString ? v.toString() : QString::fromUtf8(v.toByteArray());
    static const QRegularExpression extinf(QStringLiteral("#EXTINF:([\\d.]+),"));
    bool ok = false;
    const double value = extinf.match(text).captured(1).toDouble(&ok);
    return ok && value > 0 ? value : PlaylistGenerator::DEFAULT_NOMINAL_SECONDS;
}

QList<qint64> ranges(QSqlDatabase &db, const QString &type, int track)
{
    QSqlQuery q(db);
    if (track < 0) {
        q.prepare(QStringLiteral("SELECT Range FROM flow WHERE Type = :type"));
    } else {
        q.prepare(QStringLiteral("SELECT Range FROM flow WHERE Type = :type AND Track = :track"));
        q.bindValue(QStringLiteral(":track"), track);
    }
    q.bindValue(QStringLiteral(":type"), type);
    if (!q.exec())
        fail(QStringLiteral("read ranges (%1 %2): %3")
                 .arg(type)
                 .arg(track)
                 .arg(q.lastError().text()));
    if (!q.next())
        fail(QStringLiteral("no row in flow for type=%1, track=%2").arg(type).arg(track));
    return recfolder::decodeRanges(q.value(0).toByteArray());
}

QByteArray initBytes(QSqlDatabase &db, const QString &type, int track)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT Init FROM flow WHERE Type = :type AND Track = :track"));
    q.bindValue(QStringLiteral(":type"), type);
    q.bindValue(QStringLiteral(":track"), track);
    if (!q.exec() || !q.next())
        return {};
    return q.value(0).toByteArray();
}

void addStream(BoxHls &hls, QSqlDatabase &db, const QString &folder, const QString &file,
               const QString &type, int track, const QString &playlistName, double nominal)
{
    const QList<qint64> offsets = ranges(db, type, type == QLatin1String("video") ? -1 : track);
    const QByteArray init = initBytes(db, type, track);
    QString initName;
    if (!init.isEmpty()) {
        initName = QStringLiteral("%1_%2_init").arg(type).arg(track);
        if (file.contains(QLatin1Char('.')))
            initName += QStringLiteral(".mp4");
        hls.inits.insert(initName, init);
    }
    const QString path = folder + QLatin1Char('/') + file;
    hls.mediaFiles.insert(file, path);
    hls.mediaTypes.insert(file,
                          init.isEmpty() ? QByteArray("video/mp2t") : QByteArray("video/mp4"));
    hls.texts.insert(
        playlistName,
        PlaylistGenerator::buildMediaPlaylist(path, file, offsets, initName, nominal).toUtf8());
}

} // namespace

BoxHls buildBoxHls(const QString &folder)
{
    BoxHls hls;
    try {
        const QString video = recfolder::findVideoFile(folder);
        if (video.isEmpty())
            fail(QStringLiteral("no video1 file in ") + folder);
        const QMap<int, QString> audioFiles = recfolder::findAudioFiles(folder);
        const QString dbPath = recfolder::metadataPath(folder);
        if (!QFileInfo(dbPath).isFile())
            fail(QStringLiteral("no metadata in ") + folder);
        QList<int> tracks;
        bool videoInit = false;
        {
            recfolder::ScopedConnection conn(QStringLiteral("boxsim-hls-"), dbPath,
                                             recfolder::ScopedConnection::Access::ReadOnly,
                                             kReadBusyMs);
            if (!conn.open())
                fail(QStringLiteral("open %1: %2").arg(dbPath, conn.errorText()));
            QSqlDatabase &db = conn.database();
            const double nominal = nominalSeconds(db);
            addStream(hls, db, folder, video, QStringLiteral("video"), 1,
                      QStringLiteral("video.m3u8"), nominal);
            videoInit = !hls.inits.isEmpty();
            {
                QSqlQuery q(db);
                if (!q.exec(QStringLiteral(
                        "SELECT DISTINCT Track FROM flow WHERE Type = 'audio' ORDER BY Track")))
                    fail(QStringLiteral("list audio tracks: %1").arg(q.lastError().text()));
                while (q.next())
                    tracks.append(q.value(0).toInt());
            }
            for (const int track : std::as_const(tracks)) {
                const auto it = audioFiles.constFind(track);
                if (it == audioFiles.constEnd())
                    fail(QStringLiteral("audio track %1: no audio%1 file on disk").arg(track));
                addStream(hls, db, folder, it.value(), QStringLiteral("audio"), track,
                          QStringLiteral("audio%1.m3u8").arg(track), nominal);
            }
        }
        hls.master = PlaylistGenerator::buildMasterPlaylist(videoInit, tracks).toUtf8();
        hls.ok = true;
    } catch (const std::exception &e) {
        hls = BoxHls();
        hls.error = QString::fromUtf8(e.what());
    }
    return hls;
}

QByteArray hlsMimeType(const QString &name)
{
    if (name.endsWith(QLatin1String(".m3u8")))
        return "application/vnd.apple.mpegurl";
    if (name.endsWith(QLatin1String(".ts")))
        return "video/mp2t";
    if (name.endsWith(QLatin1String(".mp4")) || name.contains(QLatin1String("_init")))
        return "video/mp4";
    if (name.endsWith(QLatin1String(".png")))
        return "image/png";
    return "application/octet-stream";
}
