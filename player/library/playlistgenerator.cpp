// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "playlistgenerator.h"
#include "librarylog.h"

#include "recordingfolder.h"
#include "tsprobe.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

using Gen = PlaylistGenerator;
// How long the worker's reads wait for another program's lock on the database.
constexpr int ReadBusyMs = 2000;

[[noreturn]] void fail(const QString &text)
{
    throw std::runtime_error(text.toUtf8().toStdString());
}

// The first row's value of a one-column statement on the video row; invalid when the statement
// fails or there is no row.
QVariant videoRowValue(QSqlDatabase &db, const QString &expression, qint64 bind = 0)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(
            QStringLiteral("SELECT %1 FROM flow WHERE Type = 'video' LIMIT 1").arg(expression)))
        return {};
    if (bind > 0)
        q.addBindValue(bind);
    if (!q.exec() || !q.next())
        return {};
    return q.value(0);
}

QString asText(const QVariant &v)
{
    return v.typeId() == QMetaType::QString ? v.toString() : QString::fromUtf8(v.toByteArray());
}

double nominalFromMatch(const QRegularExpressionMatch &m)
{
    bool ok = false;
    const double v = m.captured(1).toDouble(&ok);
    return ok && std::isfinite(v) && v > 0 ? v : Gen::DEFAULT_NOMINAL_SECONDS;
}

// Only the first "#EXTINF:<number>," of the box's playlist counts, and that playlist may be
// many megabytes of text. SQLite loads the value once per statement, so each statement below
// hands over only a short piece: first the start of the text, where the line nearly always is,
// then, for a text that has none there, a piece at each "#EXTINF:" that SQLite finds.
double readNominalDuration(QSqlDatabase &db)
{
    static const QRegularExpression anywhere(QStringLiteral("#EXTINF:([\\d.]+),"));
    static const QRegularExpression atStart(QStringLiteral("^#EXTINF:([\\d.]+),"));
    constexpr int PrefixLength = 65536;
    constexpr int PieceLength = 256;
    constexpr int MaxCandidates = 16;

    const QVariant prefix =
        videoRowValue(db, QStringLiteral("substr(Playlist, 1, %1)").arg(PrefixLength));
    if (!prefix.isValid())
        return Gen::DEFAULT_NOMINAL_SECONDS;
    const QString text = asText(prefix);
    if (const auto m = anywhere.match(text); m.hasMatch())
        return nominalFromMatch(m);
    if (text.size() < PrefixLength && prefix.toByteArray().size() < PrefixLength)
        return Gen::DEFAULT_NOMINAL_SECONDS; // that was all of it

    qint64 from = 1; // where the next search starts, 1-based as in SQL
    for (int i = 0; i < MaxCandidates; ++i) {
        // Searching the whole text for the first candidate spares SQLite a copy of it.
        const qint64 r =
            (from == 1 ? videoRowValue(db, QStringLiteral("instr(Playlist, '#EXTINF:')"))
                       : videoRowValue(db, QStringLiteral("instr(substr(Playlist, ?), '#EXTINF:')"),
                                       from))
                .toLongLong();
        if (r <= 0)
            break;
        const qint64 at = from + r - 1;
        const QVariant piece =
            videoRowValue(db, QStringLiteral("substr(Playlist, ?, %1)").arg(PieceLength), at);
        if (const auto m = atStart.match(asText(piece)); m.hasMatch())
            return nominalFromMatch(m);
        from = at + 1;
    }
    return Gen::DEFAULT_NOMINAL_SECONDS;
}

// Generated files go next to the box's own: a link or a non-file planted at one of their names
// must not make the write land somewhere else.
void refuseLinkedTarget(const QString &path)
{
    if (recfolder::isLinkOrNotRegularFile(path))
        fail(QStringLiteral("refusing to write %1: a symbolic link or something other than a "
                            "regular file is in its place")
                 .arg(path));
}

QList<qint64> readRanges(QSqlDatabase &db, const QString &type, int track)
{
    QSqlQuery q(db);
    // A failed prepare keeps its own error text; running the statement anyway would replace it
    // with a meaningless one.
    bool ok = false;
    if (track < 0) {
        ok = q.prepare(QStringLiteral("SELECT Range FROM flow WHERE Type = :type"));
        q.bindValue(QStringLiteral(":type"), type);
    } else {
        ok = q.prepare(
            QStringLiteral("SELECT Range FROM flow WHERE Type = :type AND Track = :track"));
        q.bindValue(QStringLiteral(":type"), type);
        q.bindValue(QStringLiteral(":track"), track);
    }
    if (!ok || !q.exec())
        fail(QStringLiteral("read ranges (type=%1, track=%2): %3")
                 .arg(type)
                 .arg(track)
                 .arg(q.lastError().text()));
    if (!q.next())
        fail(QStringLiteral("no row in flow for type=%1, track=%2").arg(type).arg(track));
    return recfolder::decodeRanges(q.value(0).toByteArray());
}

QString extractInit(QSqlDatabase &db, const QString &dir, const QString &type, int track,
                    bool withExtension)
{
    QByteArray bytes;
    {
        QSqlQuery q(db);
        const bool ok = q.prepare(
            QStringLiteral("SELECT Init FROM flow WHERE Type = :type AND Track = :track"));
        q.bindValue(QStringLiteral(":type"), type);
        q.bindValue(QStringLiteral(":track"), track);
        if (!ok || !q.exec())
            fail(QStringLiteral("extract init (type=%1, track=%2): %3")
                     .arg(type)
                     .arg(track)
                     .arg(q.lastError().text()));
        if (!q.next())
            return {};
        bytes = q.value(0).toByteArray();
    }
    if (bytes.isEmpty())
        return {};
    QString name = QStringLiteral("%1_%2_init").arg(type).arg(track);
    if (withExtension)
        name += QStringLiteral(".mp4");
    const QString path = dir + QLatin1Char('/') + name;
    refuseLinkedTarget(path);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        fail(QStringLiteral("open init file %1 for write: %2").arg(path, out.errorString()));
    if (out.write(bytes) != bytes.size() || !out.commit())
        fail(QStringLiteral("write init file %1: %2").arg(path, out.errorString()));
    return name;
}

// The part of a stream's fragment list that the playlist can use. A recording the box stopped
// while writing lists fragments at or past the end of its file: the list is cut at the last whole
// fragment. Only the offsets where segments begin are used, so only those are checked: inside
// the used part of the file and rising strictly, as anything else would give byte ranges of zero
// or negative length. The path goes in with the numbers in one arg() call, so a folder name
// holding "%4" is not taken for a placeholder.
struct Extent
{
    qint64 fragments = 0;
    qint64 end = 0; // where the last fragment ends
};

Extent usableExtent(const QString &filePath, const QString &fileName, const QList<qint64> &ranges,
                    qint64 size, qint64 f)
{
    Extent e{ranges.size(), size};
    while (e.fragments > 0 && ranges.at(e.fragments - 1) >= size)
        --e.fragments;
    if (e.fragments < ranges.size()) {
        // The first fragment that lies past the end tells where its predecessor ended: past the
        // end of the file means the predecessor is incomplete.
        if (e.fragments > 0 && ranges.at(e.fragments) > size) {
            --e.fragments;
            e.end = ranges.at(e.fragments);
        }
        if (e.fragments == 0)
            fail(QStringLiteral("%1 holds no whole fragment: the first ends past its %2 bytes")
                     .arg(filePath, QString::number(size)));
        qCWarning(lcLibrary) << "PlaylistGenerator:" << fileName << "is cut short at" << size
                             << "bytes — playing its first" << e.fragments << "of" << ranges.size()
                             << "fragments";
    }
    for (qint64 t = 0; t < e.fragments; t += f) {
        const qint64 off = ranges.at(t);
        if (off < 0 || off >= e.end)
            fail(QStringLiteral("fragment %1 of %2 starts at byte %3, outside the file of %4 bytes")
                     .arg(QString::number(t), filePath, QString::number(off),
                          QString::number(size)));
        if (t > 0 && off <= ranges.at(t - f))
            fail(QStringLiteral("fragment %1 of %2 starts at byte %3, not after fragment %4 at "
                                "byte %5")
                     .arg(QString::number(t), filePath, QString::number(off),
                          QString::number(t - f), QString::number(ranges.at(t - f))));
    }
    return e;
}

QString generateAll(const QString &dir)
{
    const QString video = recfolder::findVideoFile(dir);
    if (video.isEmpty())
        fail(QStringLiteral("no video1 file in ") + dir);
    const QMap<int, QString> audioFiles = recfolder::findAudioFiles(dir);
    if (audioFiles.isEmpty())
        fail(QStringLiteral("no audio<N> files in ") + dir);

    const QString dbPath = recfolder::metadataPath(dir);
    // Opening a missing file would create an empty database in the user's folder.
    if (!QFileInfo(dbPath).isFile())
        fail(QStringLiteral("open %1: %2").arg(dbPath, QStringLiteral("no such file")));

    QString videoInit;
    QList<int> tracks;
    {
        if (const QString link = recfolder::linkedCompanionFile(dbPath); !link.isEmpty())
            fail(QStringLiteral("open %1: its companion file %2 is a symbolic link")
                     .arg(dbPath, link));
        recfolder::ReadConnection conn(QStringLiteral("playlistgen-"), dbPath, ReadBusyMs);
        if (!conn.open())
            fail(QStringLiteral("open %1: %2").arg(dbPath, conn.errorText()));
        QSqlDatabase &db = conn.database();

        const double nominal = readNominalDuration(db);
        const QList<qint64> videoRanges = readRanges(db, QStringLiteral("video"), -1);
        videoInit =
            extractInit(db, dir, QStringLiteral("video"), 1, video.contains(QLatin1Char('.')));
        Gen::writeTextFile(dir + QStringLiteral("/video.m3u8"),
                           Gen::buildMediaPlaylist(dir + QLatin1Char('/') + video, video,
                                                   videoRanges, videoInit, nominal));
        {
            QSqlQuery q(db);
            if (!q.exec(
                    QStringLiteral("SELECT Track FROM flow WHERE Type = 'audio' ORDER BY Track")))
                fail(QStringLiteral("list audio tracks: %1").arg(q.lastError().text()));
            while (q.next())
                tracks.append(q.value(0).toInt());
        }
        for (const int track : std::as_const(tracks)) {
            const auto it = audioFiles.constFind(track);
            if (it == audioFiles.constEnd())
                fail(QStringLiteral("audio track %1: no audio%1 file on disk").arg(track));
            const QString &file = it.value();
            const QList<qint64> ranges = readRanges(db, QStringLiteral("audio"), track);
            const QString init = extractInit(db, dir, QStringLiteral("audio"), track,
                                             file.contains(QLatin1Char('.')));
            Gen::writeTextFile(dir + QStringLiteral("/audio%1.m3u8").arg(track),
                               Gen::buildMediaPlaylist(dir + QLatin1Char('/') + file, file, ranges,
                                                       init, nominal));
        }
    }
    Gen::writeTextFile(dir + QLatin1Char('/') + recfolder::MasterPlaylistName,
                       Gen::buildMasterPlaylist(!videoInit.isEmpty(), tracks));
    return {};
}

} // namespace

PlaylistGenerator::PlaylistGenerator(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<Result>::finished, this,
            &PlaylistGenerator::onWatcherFinished);
}

PlaylistGenerator::~PlaylistGenerator()
{
    m_watcher.waitForFinished();
}

void PlaylistGenerator::generate(const QString &recordingDir)
{
    if (m_busy) {
        qCWarning(lcLibrary) << "PlaylistGenerator: generate(" << recordingDir
                             << ") ignored — already running";
        return;
    }
    m_busy = true;
    emit started(recordingDir);
    emit busyChanged();
    m_watcher.setFuture(QtConcurrent::run(&PlaylistGenerator::generatePlaylists, recordingDir));
}

void PlaylistGenerator::onWatcherFinished()
{
    const Result r = m_watcher.result();
    m_busy = false;
    emit finished(r.ok, r.path, r.error);
    emit busyChanged();
}

PlaylistGenerator::Result PlaylistGenerator::generatePlaylists(const QString &dir)
{
    Result r;
    r.path = dir;
    try {
        generateAll(dir);
        r.ok = true;
    } catch (const std::exception &e) {
        r.error = QString::fromUtf8(e.what());
    } catch (...) {
        r.error = QStringLiteral("unknown exception");
    }
    return r;
}

qint64 PlaylistGenerator::groupFactor(double nominal)
{
    const double q = std::round(double(TARGET_SEGMENT_SECONDS) / nominal);
    if (!(q >= 1.0))
        return 1;
    // A nonsensically small nominal length must not overflow the fragment arithmetic.
    return q > 1e15 ? qint64(1e15) : qint64(q);
}

QString PlaylistGenerator::buildMediaPlaylist(const QString &filePath, const QString &fileName,
                                              const QList<qint64> &ranges, const QString &initName,
                                              double nominal)
{
    const qint64 size = QFileInfo(filePath).size();
    if (size < 1)
        fail(QStringLiteral("ts file %1 missing or empty").arg(filePath));
    const qint64 f = groupFactor(nominal);
    const Extent extent = usableExtent(filePath, fileName, ranges, size, f);
    const qint64 g = extent.fragments;
    const qint64 count = g == 0 ? 0 : (g - 1) / f + 1;

    struct Segment
    {
        qint64 start = 0;
        qint64 length = 0;
        bool full = false;
        double nominal = 0;
        double duration = 0;
    };
    QList<Segment> segments;
    segments.reserve(count);
    for (qint64 k = 0; k < count; ++k) {
        const qint64 t = k * f;
        Segment s;
        s.full = f < g - t;
        s.start = ranges.at(t);
        s.length = (s.full ? ranges.at(t + f) : extent.end) - s.start;
        s.nominal = double(s.full ? f : g - t) * nominal;
        segments.append(s);
    }

    QFile file(filePath);
    const bool opened = file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QList<qint64> startStamps;
    qint64 endStamp = -1;
    if (opened) {
        for (qint64 k = 0; k < count; ++k)
            startStamps.append(tsprobe::firstTimestamp(file, ranges.at(k * f), START_PROBE_BYTES));
        endStamp = tsprobe::lastTimestamp(file, extent.end, END_PROBE_BYTES);
    }

    const double bound = 3.0 * double(f) * nominal;
    int fallbacks = 0;
    double longest = 0;
    for (qint64 k = 0; k < count; ++k) {
        Segment &s = segments[k];
        s.duration = s.nominal;
        bool measured = false;
        if (opened) {
            const qint64 c = startStamps.at(k);
            const qint64 d = s.full ? startStamps.at(k + 1) : endStamp;
            if (c >= 0 && d >= 0) {
                qint64 delta = d - c;
                if (delta < 0)
                    delta += TIMESTAMP_WRAP;
                const double w = double(delta) / TIMESTAMP_CLOCK;
                if (w > 0 && w < bound) {
                    s.duration = w;
                    measured = true;
                }
            }
        }
        if (!measured)
            ++fallbacks;
        longest = std::max(longest, s.duration);
    }

    if (!opened) {
        qCWarning(lcLibrary) << "PlaylistGenerator: could not open" << filePath
                             << "to measure durations — using nominal; seeking will drift";
    } else if (fallbacks > 0) {
        qCWarning(lcLibrary) << "PlaylistGenerator:" << fileName << "— nominal duration"
                             << "for" << fallbacks << "of" << count
                             << "segments (no readable stream timestamp); seeking may"
                             << "drift past those";
    }

    const double ceiled = std::ceil(longest);
    const qint64 target = ceiled < 1 ? 1 : ceiled > 2e9 ? qint64(2e9) : qint64(ceiled);
    QStringList lines{QStringLiteral("#EXTM3U"), QStringLiteral("#EXT-X-VERSION:6"),
                      QStringLiteral("#EXT-X-TARGETDURATION:%1").arg(target),
                      QStringLiteral("#EXT-X-MEDIA-SEQUENCE:0")};
    if (!initName.isEmpty())
        lines.append(QStringLiteral("#EXT-X-MAP:URI=\"%1\"").arg(initName));
    for (const Segment &s : std::as_const(segments)) {
        lines.append(QStringLiteral("#EXTINF:%1,").arg(s.duration, 0, 'f', 3));
        lines.append(QStringLiteral("#EXT-X-BYTERANGE:%1@%2").arg(s.length).arg(s.start));
        lines.append(fileName);
    }
    lines.append(QStringLiteral("#EXT-X-ENDLIST"));
    return lines.join(QLatin1Char('\n'));
}

QString PlaylistGenerator::buildMasterPlaylist(bool hasVideoInit, const QList<int> &tracks)
{
    QStringList lines{QStringLiteral("#EXTM3U"), QStringLiteral("#EXT-X-VERSION:6"),
                      QStringLiteral("#EXT-X-STREAM-INF:BANDWIDTH=%1,CODECS=\"%2\",AUDIO=\"audio\"")
                          .arg(BANDWIDTH)
                          .arg(hasVideoInit
                                   ? QStringLiteral("hev1.2.4.L120.B0,ac-4.02.01.01,ac-4.02.01.00")
                                   : QStringLiteral("ac-3,avc1.42e01e")),
                      QStringLiteral("video.m3u8")};
    bool first = true;
    for (const int m : tracks) {
        lines.append(QStringLiteral("#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"audio\",NAME=\"Track %1\","
                                    "DEFAULT=%2,AUTOSELECT=YES,URI=\"audio%1.m3u8\"")
                         .arg(m)
                         .arg(first ? QStringLiteral("YES") : QStringLiteral("NO")));
        first = false;
    }
    return lines.join(QLatin1Char('\n'));
}

void PlaylistGenerator::writeTextFile(const QString &path, const QString &text)
{
    refuseLinkedTarget(path);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        fail(QStringLiteral("open %1 for write: %2").arg(path, f.errorString()));
    const QByteArray bytes = text.toUtf8();
    if (f.write(bytes) != bytes.size() || !f.commit())
        fail(QStringLiteral("write %1: %2").arg(path, f.errorString()));
}
