// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "recordingmaker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QtEndian>

#include <cmath>

namespace mkrec {

namespace {

// What ffmpeg's single-file HLS output tells us about one stream.
struct EncodedStream
{
    QByteArray init;      // empty for transport streams
    QList<qint64> ranges; // fragment offsets within the media bytes (init excluded)
    QString mediaPath;    // ffmpeg's output file
    qint64 initLength = 0;
};

QString number(double v)
{
    return QString::number(v, 'f', 3);
}

bool isInteger(const QString &text, qint64 *out)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 10);
    if (ok && out)
        *out = v;
    return ok;
}

QJsonValue numberOrText(const QString &text)
{
    qint64 v = 0;
    if (isInteger(text, &v))
        return QJsonValue(double(v));
    return QJsonValue(text);
}

QString runFfmpeg(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(program, args);
    if (!p.waitForStarted(30000))
        return QStringLiteral("cannot start %1: %2").arg(program, p.errorString());
    p.closeWriteChannel();
    if (!p.waitForFinished(30 * 60 * 1000)) {
        p.kill();
        p.waitForFinished(5000);
        return QStringLiteral("%1 did not finish").arg(program);
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QString err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        return QStringLiteral("%1 failed (exit %2): %3").arg(program).arg(p.exitCode()).arg(err);
    }
    return {};
}

// Reads the byte ranges out of ffmpeg's single-file playlist.
QString parseHlsOutput(const QString &playlistPath, EncodedStream *out)
{
    QFile f(playlistPath);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("cannot read %1: %2").arg(playlistPath, f.errorString());
    static const QRegularExpression mapRe(QStringLiteral("BYTERANGE=\"(\\d+)@(\\d+)\""));
    static const QRegularExpression rangeRe(QStringLiteral("^#EXT-X-BYTERANGE:(\\d+)@(\\d+)$"));
    qint64 expected = 0;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1String("#EXT-X-MAP:"))) {
            const auto m = mapRe.match(line);
            if (!m.hasMatch() || m.captured(2).toLongLong() != 0)
                return QStringLiteral("unexpected init segment line: %1").arg(line);
            out->initLength = m.captured(1).toLongLong();
            expected = out->initLength;
        } else if (line.startsWith(QLatin1String("#EXT-X-BYTERANGE:"))) {
            const auto m = rangeRe.match(line);
            if (!m.hasMatch())
                return QStringLiteral("unexpected byte range line: %1").arg(line);
            const qint64 len = m.captured(1).toLongLong();
            const qint64 off = m.captured(2).toLongLong();
            if (off != expected)
                return QStringLiteral("fragments are not contiguous at %1").arg(off);
            out->ranges.append(off - out->initLength);
            expected = off + len;
        }
    }
    if (out->ranges.isEmpty())
        return QStringLiteral("no fragments in %1").arg(playlistPath);
    if (QFileInfo(out->mediaPath).size() != expected)
        return QStringLiteral("fragment ranges do not cover %1").arg(out->mediaPath);
    return {};
}

QStringList hlsArgs(const RecordingOptions &o, double segmentTime, const QString &work,
                    const QString &stem)
{
    const bool ts = o.variant == Variant::MpegTs;
    return {QStringLiteral("-fflags"),
            QStringLiteral("+bitexact"),
            QStringLiteral("-map_metadata"),
            QStringLiteral("-1"),
            QStringLiteral("-f"),
            QStringLiteral("hls"),
            QStringLiteral("-hls_time"),
            QString::number(segmentTime, 'f', 6),
            QStringLiteral("-hls_segment_type"),
            ts ? QStringLiteral("mpegts") : QStringLiteral("fmp4"),
            QStringLiteral("-hls_flags"),
            QStringLiteral("single_file"),
            QStringLiteral("-hls_playlist_type"),
            QStringLiteral("vod"),
            QStringLiteral("-hls_segment_filename"),
            work + QLatin1Char('/') + stem + (ts ? QStringLiteral(".ts") : QStringLiteral(".m4s")),
            work + QLatin1Char('/') + stem + QStringLiteral(".m3u8")};
}

QString validateOptions(const RecordingOptions &o)
{
    if (o.folder.isEmpty())
        return QStringLiteral("no output folder given");
    if (!(o.durationSeconds > 0) || !(o.fragmentSeconds > 0))
        return QStringLiteral("duration and fragment length must be positive");
    if (o.width < 16 || o.height < 16 || o.width % 2 || o.height % 2)
        return QStringLiteral("size must be even and at least 16x16");
    if (o.frameRateNum <= 0 || o.frameRateDen <= 0)
        return QStringLiteral("frame rate must be positive");
    if (o.sarNum <= 0 || o.sarDen <= 0)
        return QStringLiteral("sample aspect must be positive");
    if (o.audioTracks < 0 || o.audioTracks > 8)
        return QStringLiteral("audio tracks must be between 0 and 8");
    return {};
}

QString encodeVideo(const RecordingOptions &o, const QString &work, EncodedStream *out)
{
    const int gop = framesPerFragment(o);
    const double fps = double(o.frameRateNum) / o.frameRateDen;
    const QString src = QStringLiteral("testsrc2=size=%1x%2:rate=%3/%4:duration=%5")
                            .arg(o.width)
                            .arg(o.height)
                            .arg(o.frameRateNum)
                            .arg(o.frameRateDen)
                            .arg(number(o.durationSeconds));
    QStringList args{QStringLiteral("-hide_banner"),
                     QStringLiteral("-loglevel"),
                     QStringLiteral("error"),
                     QStringLiteral("-nostdin"),
                     QStringLiteral("-y"),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     src,
                     QStringLiteral("-vf"),
                     QStringLiteral("setsar=%1/%2").arg(o.sarNum).arg(o.sarDen),
                     QStringLiteral("-c:v"),
                     QStringLiteral("libx264"),
                     QStringLiteral("-threads"),
                     QStringLiteral("1"),
                     QStringLiteral("-preset"),
                     QStringLiteral("veryfast"),
                     QStringLiteral("-g"),
                     QString::number(gop),
                     QStringLiteral("-keyint_min"),
                     QString::number(gop),
                     QStringLiteral("-sc_threshold"),
                     QStringLiteral("0"),
                     QStringLiteral("-pix_fmt"),
                     QStringLiteral("yuv420p"),
                     QStringLiteral("-flags:v"),
                     QStringLiteral("+bitexact")};
    // Cut a little before each keyframe's time so that every keyframe starts a fragment.
    args += hlsArgs(o, (gop - 0.5) / fps, work, QStringLiteral("video"));
    if (QString err = runFfmpeg(o.ffmpeg, args); !err.isEmpty())
        return err;
    out->mediaPath = args.at(args.size() - 2);
    return parseHlsOutput(args.last(), out);
}

QString encodeAudio(const RecordingOptions &o, int track, const QString &work, EncodedStream *out)
{
    const QString src = QStringLiteral("sine=frequency=%1:sample_rate=48000:duration=%2")
                            .arg(220 + 220 * track)
                            .arg(number(o.durationSeconds));
    QStringList args{
        QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
        QStringLiteral("-nostdin"),     QStringLiteral("-y"),        QStringLiteral("-f"),
        QStringLiteral("lavfi"),        QStringLiteral("-i"),        src,
        QStringLiteral("-c:a"),         QStringLiteral("ac3"),       QStringLiteral("-b:a"),
        QStringLiteral("96k"),          QStringLiteral("-threads"),  QStringLiteral("1"),
        QStringLiteral("-flags:a"),     QStringLiteral("+bitexact")};
    args += hlsArgs(o, nominalFragmentSeconds(o), work, QStringLiteral("audio%1").arg(track));
    if (QString err = runFfmpeg(o.ffmpeg, args); !err.isEmpty())
        return err;
    out->mediaPath = args.at(args.size() - 2);
    return parseHlsOutput(args.last(), out);
}

// Moves ffmpeg's output to its place in the recording folder, splitting off the init segment.
QString placeStream(EncodedStream *s, const QString &target)
{
    QFile in(s->mediaPath);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(s->mediaPath, in.errorString());
    if (QFile::exists(target) && !QFile::remove(target))
        return QStringLiteral("cannot replace %1").arg(target);
    if (s->initLength == 0) {
        in.close();
        if (!QFile::rename(s->mediaPath, target) && !QFile::copy(s->mediaPath, target))
            return QStringLiteral("cannot write %1").arg(target);
        return {};
    }
    s->init = in.read(s->initLength);
    if (s->init.size() != s->initLength)
        return QStringLiteral("short init segment in %1").arg(s->mediaPath);
    // ffmpeg puts a segment index in front of every fragment; the box writes bare moof/mdat
    // pairs, so keep those and start each fragment at its moof.
    const QByteArray body = in.readAll();
    QByteArray media;
    media.reserve(body.size());
    QList<qint64> ranges;
    qint64 pos = 0;
    while (pos + 8 <= body.size()) {
        qint64 boxSize = qFromBigEndian<quint32>(body.constData() + pos);
        const QByteArray type = body.mid(pos + 4, 4);
        if (boxSize == 1 && pos + 16 <= body.size())
            boxSize = qFromBigEndian<qint64>(body.constData() + pos + 8);
        if (boxSize < 8 || pos + boxSize > body.size())
            return QStringLiteral("malformed box at %1 in %2").arg(pos).arg(s->mediaPath);
        if (type == "moof")
            ranges.append(media.size());
        if (type != "sidx" && type != "styp")
            media.append(body.constData() + pos, boxSize);
        pos += boxSize;
    }
    if (pos != body.size() || ranges.size() != s->ranges.size() || ranges.value(0, -1) != 0)
        return QStringLiteral("unexpected fragment layout in %1").arg(s->mediaPath);
    s->ranges = ranges;
    QFile outFile(target);
    if (!outFile.open(QIODevice::WriteOnly) || outFile.write(media) != media.size())
        return QStringLiteral("cannot write %1: %2").arg(target, outFile.errorString());
    return {};
}

QString boxPlaylist(const QString &fileName, const QList<qint64> &ranges, qint64 size,
                    double nominal)
{
    QString text = QStringLiteral("#EXTM3U\n#EXT-X-VERSION:6\n#EXT-X-TARGETDURATION:%1\n"
                                  "#EXT-X-MEDIA-SEQUENCE:0\n")
                       .arg(int(std::ceil(nominal)));
    for (int i = 0; i < ranges.size(); ++i) {
        const qint64 end = i + 1 < ranges.size() ? ranges.at(i + 1) : size;
        text += QStringLiteral("#EXTINF:%1,\n#EXT-X-BYTERANGE:%2@%3\n%4\n")
                    .arg(number(nominal))
                    .arg(end - ranges.at(i))
                    .arg(ranges.at(i))
                    .arg(fileName);
    }
    text += QStringLiteral("#EXT-X-ENDLIST\n");
    return text;
}

} // namespace

QByteArray packRanges(const QList<qint64> &offsets)
{
    QByteArray blob(offsets.size() * 8, Qt::Uninitialized);
    for (int i = 0; i < offsets.size(); ++i)
        qToLittleEndian<qint64>(offsets.at(i), blob.data() + 8 * i);
    return blob;
}

QJsonObject infoObject(const RecordingOptions &o)
{
    QJsonObject program;
    if (!o.name.isEmpty())
        program.insert(QStringLiteral("name"), o.name);
    if (!o.title.isEmpty())
        program.insert(QStringLiteral("title"), o.title);
    if (!o.description.isEmpty())
        program.insert(QStringLiteral("description"), o.description);
    if (!o.season.isEmpty())
        program.insert(QStringLiteral("season_num"), numberOrText(o.season));
    if (!o.episode.isEmpty())
        program.insert(QStringLiteral("episode_num"), numberOrText(o.episode));
    if (!o.startTime.isEmpty())
        program.insert(QStringLiteral("start_time"), numberOrText(o.startTime));
    if (o.programDuration)
        program.insert(QStringLiteral("duration"), double(qint64(o.durationSeconds)));
    QJsonObject info;
    info.insert(QStringLiteral("program"), program);
    if (!o.channelId.isEmpty())
        info.insert(QStringLiteral("channel"), QJsonObject{{QStringLiteral("id"), o.channelId}});
    return info;
}

QJsonObject stateObject(const RecordingOptions &o)
{
    QJsonObject state;
    if (o.statePosition >= 0)
        state.insert(QStringLiteral("position"), o.statePosition);
    if (o.stateNumSeconds >= 0)
        state.insert(QStringLiteral("num_seconds"), o.stateNumSeconds);
    return state;
}

int framesPerFragment(const RecordingOptions &o)
{
    const double fps = double(o.frameRateNum) / o.frameRateDen;
    return qMax(1, int(std::lround(o.fragmentSeconds * fps)));
}

double nominalFragmentSeconds(const RecordingOptions &o)
{
    return double(framesPerFragment(o)) * o.frameRateDen / o.frameRateNum;
}

QString writeMetadataDb(const QString &dbPath, const QJsonObject &info, const QJsonObject *state,
                        const QList<FlowRow> &flows)
{
    if (QFile::exists(dbPath) && !QFile::remove(dbPath))
        return QStringLiteral("cannot replace %1").arg(dbPath);
    const QString conn =
        QStringLiteral("mkrecording-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(dbPath);
        if (!db.open()) {
            error = QStringLiteral("open %1: %2").arg(dbPath, db.lastError().text());
        } else {
            QSqlQuery q(db);
            auto run = [&](const QString &sql) {
                if (!error.isEmpty())
                    return;
                if (!q.exec(sql))
                    error = QStringLiteral("%1: %2").arg(sql, q.lastError().text());
            };
            run(QStringLiteral("PRAGMA journal_mode=DELETE"));
            run(QStringLiteral("BEGIN"));
            run(QStringLiteral("CREATE TABLE info (ID INTEGER PRIMARY KEY, Json TEXT)"));
            run(QStringLiteral("CREATE TABLE state (ID INTEGER PRIMARY KEY, Json TEXT)"));
            run(QStringLiteral(
                "CREATE TABLE flow (ID INTEGER PRIMARY KEY AUTOINCREMENT, Type TEXT, "
                "Track INTEGER, Range BLOB, Init BLOB, Playlist TEXT)"));
            if (error.isEmpty()) {
                q.prepare(QStringLiteral("INSERT INTO info(ID, Json) VALUES (1, :json)"));
                q.bindValue(QStringLiteral(":json"),
                            QString::fromUtf8(QJsonDocument(info).toJson(QJsonDocument::Compact)));
                if (!q.exec())
                    error = QStringLiteral("insert info: %1").arg(q.lastError().text());
            }
            if (error.isEmpty() && state) {
                q.prepare(QStringLiteral("INSERT INTO state(ID, Json) VALUES (1, :json)"));
                q.bindValue(QStringLiteral(":json"), QString::fromUtf8(QJsonDocument(*state).toJson(
                                                         QJsonDocument::Compact)));
                if (!q.exec())
                    error = QStringLiteral("insert state: %1").arg(q.lastError().text());
            }
            for (const FlowRow &row : flows) {
                if (!error.isEmpty())
                    break;
                q.prepare(QStringLiteral("INSERT INTO flow(Type, Track, Range, Init, Playlist) "
                                         "VALUES (:type, :track, :range, :init, :playlist)"));
                q.bindValue(QStringLiteral(":type"), row.type);
                q.bindValue(QStringLiteral(":track"), row.track);
                q.bindValue(QStringLiteral(":range"), packRanges(row.ranges));
                q.bindValue(QStringLiteral(":init"),
                            row.init.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray))
                                               : QVariant(row.init));
                q.bindValue(QStringLiteral(":playlist"), row.playlist);
                if (!q.exec())
                    error = QStringLiteral("insert flow: %1").arg(q.lastError().text());
            }
            if (error.isEmpty())
                run(QStringLiteral("COMMIT"));
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    return error;
}

QString makeRecording(const RecordingOptions &o)
{
    if (QString err = validateOptions(o); !err.isEmpty())
        return err;
    QDir folder(o.folder);
    if (!folder.mkpath(QStringLiteral(".")))
        return QStringLiteral("cannot create folder %1").arg(o.folder);
    QTemporaryDir work;
    if (!work.isValid())
        return QStringLiteral("cannot create a temporary folder: %1").arg(work.errorString());

    const bool ts = o.variant == Variant::MpegTs;
    const QString ext = !o.mediaExtensions ? QString()
                        : ts               ? QStringLiteral(".ts")
                                           : QStringLiteral(".mp4");
    const double nominal = nominalFragmentSeconds(o);
    QList<FlowRow> flows;

    EncodedStream video;
    if (QString err = encodeVideo(o, work.path(), &video); !err.isEmpty())
        return err;
    const QString videoName = QStringLiteral("video1") + ext;
    if (QString err = placeStream(&video, folder.filePath(videoName)); !err.isEmpty())
        return err;
    const qint64 videoSize = QFileInfo(folder.filePath(videoName)).size();
    flows.append({QStringLiteral("video"), 1, video.ranges, video.init,
                  boxPlaylist(videoName, video.ranges, videoSize, nominal)});

    for (int track = 1; track <= o.audioTracks; ++track) {
        EncodedStream audio;
        if (QString err = encodeAudio(o, track, work.path(), &audio); !err.isEmpty())
            return err;
        const QString audioName = QStringLiteral("audio%1").arg(track) + ext;
        if (QString err = placeStream(&audio, folder.filePath(audioName)); !err.isEmpty())
            return err;
        const qint64 size = QFileInfo(folder.filePath(audioName)).size();
        flows.append({QStringLiteral("audio"), track, audio.ranges, audio.init,
                      boxPlaylist(audioName, audio.ranges, size, nominal)});
    }

    if (o.poster) {
        const QString posterPath = folder.filePath(QStringLiteral("poster.png"));
        const QStringList args{QStringLiteral("-hide_banner"),
                               QStringLiteral("-loglevel"),
                               QStringLiteral("error"),
                               QStringLiteral("-nostdin"),
                               QStringLiteral("-y"),
                               QStringLiteral("-f"),
                               QStringLiteral("lavfi"),
                               QStringLiteral("-i"),
                               QStringLiteral("smptebars=size=400x300:rate=1"),
                               QStringLiteral("-frames:v"),
                               QStringLiteral("1"),
                               QStringLiteral("-fflags"),
                               QStringLiteral("+bitexact"),
                               QStringLiteral("-flags:v"),
                               QStringLiteral("+bitexact"),
                               QStringLiteral("-map_metadata"),
                               QStringLiteral("-1"),
                               posterPath};
        if (QString err = runFfmpeg(o.ffmpeg, args); !err.isEmpty())
            return err;
    }

    const QJsonObject state = stateObject(o);
    return writeMetadataDb(folder.filePath(QStringLiteral("sv_metadata.db")), infoObject(o),
                           o.writeState ? &state : nullptr, flows);
}

} // namespace mkrec
