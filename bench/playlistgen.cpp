// Playlist generation for a 4-hour MPEG-TS recording with 2-second fragments: wall time, and
// bytes read per stream by the timestamp probes beside what the plain windowed reading
// (200000 bytes per segment plus 4 MiB at the end) would read.
// The recording is made once and kept in the build tree: a 12-second recording from
// mkrecording, repeated with its PCR, PTS, DTS and continuity counters carried on.
// Usage: bench_playlistgen [runs]
#include "playlistgenerator.h"
#include "recordingfolder.h"
#include "recordingmaker.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <set>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr qint64 kWrap = qint64(1) << 33;
constexpr double kTargetSeconds = 4 * 3600;

struct Stream
{
    QString file;
    QList<qint64> ranges;
    QString playlist;
};

QHash<QString, Stream> readFlows(const QString &dbPath)
{
    QHash<QString, Stream> out;
    const QString name =
        QStringLiteral("bench-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dbPath);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT Type, Track, Range, Playlist FROM flow"));
            while (q.next()) {
                Stream s;
                s.ranges = recfolder::decodeRanges(q.value(2).toByteArray());
                s.playlist = q.value(3).toString();
                out.insert(q.value(0).toString() + q.value(1).toString(), s);
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

qint64 readStamp(const uchar *p)
{
    return (qint64((p[0] >> 1) & 7) << 30) | (qint64(p[1]) << 22) | (qint64(p[2] >> 1) << 15) |
           (qint64(p[3]) << 7) | (qint64(p[4]) >> 1);
}

void writeStamp(uchar *p, qint64 v)
{
    p[0] = uchar((p[0] & 0xf1) | ((v >> 29) & 0x0e));
    p[1] = uchar((v >> 22) & 0xff);
    p[2] = uchar(((v >> 14) & 0xfe) | 1);
    p[3] = uchar((v >> 7) & 0xff);
    p[4] = uchar(((v << 1) & 0xfe) | 1);
}

// Calls f(packet, pesTimestampPointers) for every packet of an aligned transport stream.
template<typename F>
void forEachPacket(QByteArray &ts, F f)
{
    for (qsizetype pos = 0; pos + 188 <= ts.size(); pos += 188) {
        auto *p = reinterpret_cast<uchar *>(ts.data() + pos);
        QList<uchar *> stamps;
        const bool af = (p[3] & 0x20) != 0;
        const int payload = 4 + (af ? 1 + p[4] : 0);
        if ((p[1] & 0x40) && (p[3] & 0x10) && payload + 19 <= 188) {
            uchar *pes = p + payload;
            if (pes[0] == 0 && pes[1] == 0 && pes[2] == 1) {
                if (pes[7] & 0x80)
                    stamps.append(pes + 9);
                if ((pes[7] & 0xc0) == 0xc0)
                    stamps.append(pes + 14);
            }
        }
        f(p, af && p[4] > 0 && (p[5] & 0x10), stamps);
    }
}

// The length of one pass of the stream in 90 kHz ticks: span of its PTS plus one frame.
qint64 periodOf(QByteArray ts)
{
    std::set<qint64> pts;
    forEachPacket(ts, [&](uchar *, bool, const QList<uchar *> &stamps) {
        if (!stamps.isEmpty())
            pts.insert(readStamp(stamps.first()));
    });
    qint64 frame = kWrap;
    for (auto it = pts.begin(); std::next(it) != pts.end(); ++it)
        frame = std::min(frame, *std::next(it) - *it);
    return *pts.rbegin() - *pts.begin() + frame;
}

// Writes `repeats` passes of base into path, each with timestamps moved on by one period and
// continuity counters running on.
bool repeatStream(const QByteArray &base, int repeats, qint64 period, const QString &path)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QHash<int, int> counters;
    for (int k = 0; k < repeats; ++k) {
        QByteArray copy = base;
        const qint64 shift = qint64(k) * period;
        forEachPacket(copy, [&](uchar *p, bool hasPcr, const QList<uchar *> &stamps) {
            const int pid = ((p[1] & 0x1f) << 8) | p[2];
            if (p[3] & 0x10) {
                int &cc = counters[pid];
                p[3] = uchar((p[3] & 0xf0) | (cc & 0x0f));
                cc = (cc + 1) & 0x0f;
            }
            if (hasPcr) {
                qint64 pcr = (qint64(p[6]) << 25) | (qint64(p[7]) << 17) | (qint64(p[8]) << 9) |
                             (qint64(p[9]) << 1) | (p[10] >> 7);
                pcr = (pcr + shift) % kWrap;
                p[6] = uchar(pcr >> 25);
                p[7] = uchar(pcr >> 17);
                p[8] = uchar(pcr >> 9);
                p[9] = uchar(pcr >> 1);
                p[10] = uchar((p[10] & 0x7f) | ((pcr & 1) << 7));
            }
            for (uchar *s : stamps)
                writeStamp(s, (readStamp(s) + shift) % kWrap);
        });
        if (out.write(copy) != copy.size())
            return false;
    }
    return true;
}

QString makeRecording(const QString &folder)
{
    if (QFile::exists(folder + QStringLiteral("/.complete")))
        return {};
    QDir(folder).removeRecursively();
    const QString seed = folder + QStringLiteral("-seed");
    QDir(seed).removeRecursively();
    mkrec::RecordingOptions o;
    o.folder = seed;
    o.durationSeconds = 12;
    o.fragmentSeconds = 2.0;
    o.width = 160;
    o.height = 90;
    o.name = QStringLiteral("Four hours");
    if (QString err = mkrec::makeRecording(o); !err.isEmpty())
        return err;
    const QHash<QString, Stream> seedFlows = readFlows(seed + QStringLiteral("/sv_metadata.db"));
    QDir().mkpath(folder);
    QList<mkrec::FlowRow> flows;
    for (const char *kind : {"video1", "audio1"}) {
        const QString key = QLatin1String(kind);
        const QString type = key.chopped(1);
        const QString file = key + QStringLiteral(".ts");
        QFile in(seed + QLatin1Char('/') + file);
        if (!in.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read the seed recording");
        const QByteArray base = in.readAll();
        const qint64 period = periodOf(base);
        const int repeats = int(std::ceil(kTargetSeconds * 90000.0 / double(period)));
        std::printf("  %s: %lld bytes, %.3f s per pass, %d passes\n", qPrintable(file),
                    qint64(base.size()), period / 90000.0, repeats);
        std::fflush(stdout);
        if (!repeatStream(base, repeats, period, folder + QLatin1Char('/') + file))
            return QStringLiteral("cannot write ") + file;
        const Stream &s = seedFlows.value(type + QStringLiteral("1"));
        QList<qint64> ranges;
        for (int k = 0; k < repeats; ++k)
            for (const qint64 r : s.ranges)
                ranges.append(r + qint64(k) * base.size());
        flows.append({type, 1, ranges, {}, s.playlist});
    }
    const QJsonObject state = mkrec::stateObject(o);
    if (QString err = mkrec::writeMetadataDb(folder + QStringLiteral("/sv_metadata.db"),
                                             mkrec::infoObject(o), &state, flows);
        !err.isEmpty())
        return err;
    QDir(seed).removeRecursively();
    QFile(folder + QStringLiteral("/.complete")).open(QIODevice::WriteOnly);
    return {};
}

// Drops the file's pages from the operating system's cache, so that the next reads go to the
// disk. Only where the platform offers it; elsewhere the runs stay warm.
bool evict(const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return ok;
#else
    Q_UNUSED(path);
    return false;
#endif
}

// What the plain algorithm reads: a full window at every segment start and the end window.
qint64 plainBytes(const QList<qint64> &ranges, qint64 size, double nominal)
{
    const qint64 f = PlaylistGenerator::groupFactor(nominal);
    qint64 total = std::min(size, PlaylistGenerator::END_PROBE_BYTES);
    for (qsizetype t = 0; t < ranges.size(); t += f)
        total += std::min(PlaylistGenerator::START_PROBE_BYTES, size - ranges.at(t));
    return total;
}

// Reading alone, as the plain algorithm does it, to set the probe times beside.
double plainReadMs(const QString &path, const QList<qint64> &ranges, double nominal)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return -1;
    QElapsedTimer t;
    t.start();
    QByteArray buf(PlaylistGenerator::START_PROBE_BYTES, Qt::Uninitialized);
    const qint64 step = PlaylistGenerator::groupFactor(nominal);
    for (qsizetype i = 0; i < ranges.size(); i += step) {
        f.seek(ranges.at(i));
        f.read(buf.data(), buf.size());
    }
    f.seek(std::max<qint64>(0, f.size() - PlaylistGenerator::END_PROBE_BYTES));
    f.readAll();
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString folder = QStringLiteral(BENCH_DATA_DIR) + QStringLiteral("/recording-4h");
    if (!QFile::exists(folder + QStringLiteral("/.complete")))
        std::printf("making the 4-hour recording in %s ...\n", qPrintable(folder));
    if (const QString err = makeRecording(folder); !err.isEmpty()) {
        std::fprintf(stderr, "bench_playlistgen: %s\n", qPrintable(err));
        return 1;
    }

    std::printf("playlist generation, 4-hour MPEG-TS recording, 2.002 s fragments\n");
    const QStringList media{folder + QStringLiteral("/video1.ts"),
                            folder + QStringLiteral("/audio1.ts")};
    for (int i = 0; i <= runs; ++i) {
        const bool cold = i == 0 && evict(media.at(0)) && evict(media.at(1));
        QElapsedTimer t;
        t.start();
        const PlaylistGenerator::Result r = PlaylistGenerator::generatePlaylists(folder);
        const double ms = t.nsecsElapsed() / 1e6;
        if (!r.ok) {
            std::fprintf(stderr, "bench_playlistgen: %s\n", qPrintable(r.error));
            return 1;
        }
        std::printf("  %s: generatePlaylists wall time %.1f ms\n",
                    i == 0 ? (cold ? "media files evicted from the cache" : "first run")
                           : qPrintable(QStringLiteral("warm run %1").arg(i)),
                    ms);
    }

    const QHash<QString, Stream> flows = readFlows(folder + QStringLiteral("/sv_metadata.db"));
    for (const char *kind : {"video1", "audio1"}) {
        const QString key = QLatin1String(kind);
        const Stream s = flows.value(key.chopped(1) + QStringLiteral("1"));
        const QString path = folder + QLatin1Char('/') + key + QStringLiteral(".ts");
        const qint64 size = QFileInfo(path).size();
        const double nominal = 2.002;
        PlaylistGenerator::ProbeStats stats;
        QElapsedTimer t;
        t.start();
        PlaylistGenerator::buildMediaPlaylist(path, key + QStringLiteral(".ts"), s.ranges,
                                              QString(), nominal, &stats);
        const double ms = t.nsecsElapsed() / 1e6;
        const qint64 plain = plainBytes(s.ranges, size, nominal);
        std::printf("  %s: %lld MB, %lld fragments, %d segments, %d on nominal durations\n", kind,
                    size / 1000000, qint64(s.ranges.size()), stats.segments, stats.fallbacks);
        std::printf("    probes read %lld bytes (%.1f per segment) in %.1f ms\n", stats.bytesRead,
                    double(stats.bytesRead) / std::max(1, stats.segments), ms);
        const double warmPlain = plainReadMs(path, s.ranges, nominal);
        const bool cold = evict(path);
        const double coldPlain = plainReadMs(path, s.ranges, nominal);
        std::printf(
            "    plain windows would read %lld bytes (%.0fx more); reading them alone "
            "takes %.1f ms warm%s\n",
            plain, double(plain) / std::max<qint64>(1, stats.bytesRead), warmPlain,
            cold ? qPrintable(QStringLiteral(", %1 ms from the disk").arg(coldPlain, 0, 'f', 1))
                 : "");
    }
    return 0;
}
