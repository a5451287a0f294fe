// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Playlist generation for a 4-hour MPEG-TS recording with 2-second fragments: wall time, and per
// stream the bytes the timestamp probes read beside the plain windowed reading (200000 bytes at
// every segment start plus 4 MiB at the end), both measured in the same run.
//
// Bytes are measured from outside the code under test, in this process's read counters
// (/proc/self/io on Linux):
//   rchar       bytes that read() and its kin handed to the process, from the page cache or
//               not: what the code asked the operating system for. The figure for warm runs.
//   read_bytes  bytes the process caused to be fetched from the storage device, read-ahead
//               included: what a cold run costs the disk. The figure for cold runs.
// A cold run first flushes the media files (fdatasync: the kernel does not drop dirty pages)
// and then asks the kernel to drop their pages; it counts as cold only when no page of them is
// left in the cache afterwards (mincore) and the run then read from the device.
//
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
#include <cmath>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/mman.h>
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

// This process's read counters; -1 where the platform has none.
struct IoCounters
{
    qint64 rchar = -1;
    qint64 readBytes = -1;
    qint64 ownRead = 0; // what reading the counters returned: rchar counts it from the next reading
};

IoCounters readIoCounters()
{
    IoCounters c;
#ifdef Q_OS_LINUX
    const int fd = ::open("/proc/self/io", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return c;
    char text[512];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return c;
    c.ownRead = n;
    for (const QByteArray &line : QByteArray(text, int(n)).split('\n')) {
        const QList<QByteArray> field = line.split(':');
        if (field.size() != 2)
            continue;
        bool ok = false;
        const qint64 value = field.at(1).trimmed().toLongLong(&ok);
        if (ok && field.at(0) == "rchar")
            c.rchar = value;
        else if (ok && field.at(0) == "read_bytes")
            c.readBytes = value;
    }
#endif
    return c;
}

// The counters' growth across a piece of work, less the reading of the counters that started it.
class IoMeter
{
public:
    static bool available() { return readIoCounters().rchar >= 0; }

    void start() { m_start = readIoCounters(); }

    IoCounters delta() const
    {
        const IoCounters end = readIoCounters();
        IoCounters d;
        if (end.rchar >= 0 && m_start.rchar >= 0)
            d.rchar = end.rchar - m_start.rchar - m_start.ownRead;
        if (end.readBytes >= 0 && m_start.readBytes >= 0)
            d.readBytes = end.readBytes - m_start.readBytes;
        return d;
    }

private:
    IoCounters m_start;
};

QString bytesText(qint64 bytes)
{
    return bytes < 0 ? QStringLiteral("(no counter)")
                     : QString::number(bytes) + QStringLiteral(" bytes");
}

QString ratioText(qint64 reference, qint64 measured)
{
    if (reference < 0 || measured < 0)
        return QStringLiteral("no ratio");
    if (measured == 0)
        return QStringLiteral("no ratio: nothing read");
    return QString::number(double(reference) / double(measured), 'f', 1) + QLatin1Char('x');
}

// Flushes the file, then asks the kernel to drop its pages from the cache (only clean pages are
// dropped, hence the flush). Returns the number of its pages still cached afterwards, or -1 when
// the platform cannot do this or tell.
qint64 evict(const QString &path)
{
#ifdef Q_OS_LINUX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    qint64 cached = -1;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (::fdatasync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0 && size > 0) {
        void *map = ::mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) {
            const long page = ::sysconf(_SC_PAGESIZE);
            std::vector<unsigned char> resident(size_t((size + page - 1) / page));
            if (::mincore(map, size_t(size), resident.data()) == 0)
                cached = std::count_if(resident.begin(), resident.end(),
                                       [](unsigned char r) { return (r & 1) != 0; });
            ::munmap(map, size_t(size));
        }
    }
    ::close(fd);
    return cached;
#else
    Q_UNUSED(path);
    return -1;
#endif
}

bool evictAll(const QStringList &paths)
{
    bool cold = true;
    for (const QString &path : paths) {
        const qint64 cached = evict(path);
        if (cached != 0) {
            std::printf("    %s: %s\n", qPrintable(QFileInfo(path).fileName()),
                        cached < 0 ? "cannot be evicted here"
                                   : qPrintable(QStringLiteral("%1 pages still cached after "
                                                               "eviction")
                                                    .arg(cached)));
            cold = false;
        }
    }
    return cold;
}

// What the plain algorithm would read: a full window at every segment start and the end window.
qint64 plainBytes(const QList<qint64> &ranges, qint64 size, double nominal)
{
    const qint64 f = PlaylistGenerator::groupFactor(nominal);
    qint64 total = std::min(size, PlaylistGenerator::END_PROBE_BYTES);
    for (qsizetype t = 0; t < ranges.size(); t += f)
        total += std::min(PlaylistGenerator::START_PROBE_BYTES, size - ranges.at(t));
    return total;
}

// The reference: reading alone, as the plain algorithm does it. Returns the time in ms.
double plainRead(const QString &path, const QList<qint64> &ranges, double nominal)
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

struct Probe
{
    double ms = -1;
    IoCounters io;
    int segments = 0;
    QString error;
};

// The code under test for one stream: its media playlist, with the cost seen from outside.
Probe probe(IoMeter &meter, const QString &path, const QString &name, const QList<qint64> &ranges,
            double nominal)
{
    Probe p;
    QString playlist;
    QElapsedTimer t;
    meter.start();
    t.start();
    try {
        playlist = PlaylistGenerator::buildMediaPlaylist(path, name, ranges, QString(), nominal);
    } catch (const std::exception &e) {
        p.error = QString::fromUtf8(e.what());
    }
    p.ms = t.nsecsElapsed() / 1e6;
    p.io = meter.delta();
    p.segments = int(playlist.count(QStringLiteral("#EXTINF:")));
    return p;
}

struct Reference
{
    double ms = -1;
    IoCounters io;
};

Reference reference(IoMeter &meter, const QString &path, const QList<qint64> &ranges,
                    double nominal)
{
    Reference r;
    meter.start();
    r.ms = plainRead(path, ranges, nominal);
    r.io = meter.delta();
    return r;
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

    IoMeter meter;
    if (!meter.available())
        std::printf("this system has no per-process read counters: bytes are not measured\n");

    std::printf("playlist generation, 4-hour MPEG-TS recording, 2.002 s fragments\n");
    const QStringList media{folder + QStringLiteral("/video1.ts"),
                            folder + QStringLiteral("/audio1.ts")};
    for (int i = 0; i <= runs; ++i) {
        const bool cold = i == 0 && evictAll(media);
        QElapsedTimer t;
        meter.start();
        t.start();
        const PlaylistGenerator::Result r = PlaylistGenerator::generatePlaylists(folder);
        const double ms = t.nsecsElapsed() / 1e6;
        const IoCounters io = meter.delta();
        if (!r.ok) {
            std::fprintf(stderr, "bench_playlistgen: %s\n", qPrintable(r.error));
            return 1;
        }
        QString what = i == 0 ? QStringLiteral("first run") : QStringLiteral("warm run %1").arg(i);
        if (cold && io.readBytes > 0)
            what = QStringLiteral("media files evicted from the cache");
        else if (cold)
            what = QStringLiteral("first run (evicted, yet nothing came from the disk: warm)");
        std::printf("  %s: generatePlaylists wall time %.1f ms, read() %s, from the disk %s\n",
                    qPrintable(what), ms, qPrintable(bytesText(io.rchar)),
                    qPrintable(bytesText(io.readBytes)));
    }

    const QHash<QString, Stream> flows = readFlows(folder + QStringLiteral("/sv_metadata.db"));
    for (const char *kind : {"video1", "audio1"}) {
        const QString key = QLatin1String(kind);
        const Stream s = flows.value(key.chopped(1) + QStringLiteral("1"));
        const QString name = key + QStringLiteral(".ts");
        const QString path = folder + QLatin1Char('/') + name;
        const qint64 size = QFileInfo(path).size();
        const double nominal = 2.002;

        // Warm: both read from the page cache, and read() counts what each asked for.
        const Probe warm = probe(meter, path, name, s.ranges, nominal);
        if (!warm.error.isEmpty()) {
            std::fprintf(stderr, "bench_playlistgen: %s\n", qPrintable(warm.error));
            return 1;
        }
        const Reference warmPlain = reference(meter, path, s.ranges, nominal);
        std::printf("  %s: %lld MB, %lld fragments, %d segments\n", kind, size / 1000000,
                    qint64(s.ranges.size()), warm.segments);
        std::printf("    warm: probes read() %s in %.1f ms; plain windows read() %s in %.1f ms "
                    "(%s the bytes, %.1fx the time); plain windows by count: %lld bytes\n",
                    qPrintable(bytesText(warm.io.rchar)), warm.ms,
                    qPrintable(bytesText(warmPlain.io.rchar)), warmPlain.ms,
                    qPrintable(ratioText(warmPlain.io.rchar, warm.io.rchar)),
                    warmPlain.ms / std::max(0.001, warm.ms), plainBytes(s.ranges, size, nominal));

        // Cold: each after its own eviction; the device's bytes include its read-ahead.
        const bool coldProbe = evictAll({path});
        const Probe cold = probe(meter, path, name, s.ranges, nominal);
        const bool coldRef = evictAll({path});
        const Reference coldPlain = reference(meter, path, s.ranges, nominal);
        if (coldProbe && coldRef && cold.io.readBytes > 0 && coldPlain.io.readBytes > 0)
            std::printf("    cold: probes fetched %s from the disk in %.1f ms; plain windows "
                        "fetched %s in %.1f ms (%s the bytes, %.1fx the time)\n",
                        qPrintable(bytesText(cold.io.readBytes)), cold.ms,
                        qPrintable(bytesText(coldPlain.io.readBytes)), coldPlain.ms,
                        qPrintable(ratioText(coldPlain.io.readBytes, cold.io.readBytes)),
                        coldPlain.ms / std::max(0.001, cold.ms));
        else
            std::printf("    cold: not measured, the file did not leave the cache (probes "
                        "fetched %s, plain windows %s)\n",
                        qPrintable(bytesText(cold.io.readBytes)),
                        qPrintable(bytesText(coldPlain.io.readBytes)));
    }
    return 0;
}
