// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "libraryfixtures.h"
#include "playlistgenerator.h"
#include "recordingmaker.h"
#include "tsprobe.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using Gen = PlaylistGenerator;
using fixtures::DbSpec;

namespace {

constexpr qint64 kTicks = 90000;

// The probes exactly as the plain algorithm reads them: a whole window in memory.
struct Walk
{
    qint64 firstPcr = -1;
    qint64 firstPts = -1;
    qint64 lastPcr = -1;
    qint64 lastPts = -1;
};

Walk referenceWalk(const QByteArray &buf, bool stopAtFirstPcr)
{
    Walk w;
    const auto b = [&](qsizetype i) { return quint8(buf.at(i)); };
    qsizetype pos = 0;
    while (pos + 188 <= buf.size()) {
        if (b(pos) != 0x47) {
            ++pos;
            while (pos < buf.size() && b(pos) != 0x47)
                ++pos;
            continue;
        }
        const int afc = b(pos + 3) & 0x30;
        const bool af = afc == 0x20 || afc == 0x30;
        const int afLen = b(pos + 4);
        if (af && afLen != 0 && (b(pos + 5) & 0x10)) {
            const qint64 pcr = (qint64(b(pos + 6)) << 25) | (qint64(b(pos + 7)) << 17) |
                               (qint64(b(pos + 8)) << 9) | (qint64(b(pos + 9)) << 1) |
                               (b(pos + 10) >> 7);
            if (w.firstPcr < 0)
                w.firstPcr = pcr;
            w.lastPcr = pcr;
            if (stopAtFirstPcr)
                return w;
        } else if ((stopAtFirstPcr ? w.firstPts < 0 : true) && (b(pos + 1) & 0x40)) {
            const qsizetype ps = pos + 4 + (af ? 1 + afLen : 0);
            if (ps + 14 <= pos + 188 && b(ps) == 0 && b(ps + 1) == 0 && b(ps + 2) == 1 &&
                (b(ps + 7) & 0x80)) {
                const qint64 pts = (qint64((b(ps + 9) >> 1) & 7) << 30) |
                                   (qint64(b(ps + 10)) << 22) | (qint64(b(ps + 11) >> 1) << 15) |
                                   (qint64(b(ps + 12)) << 7) | (b(ps + 13) >> 1);
                if (w.firstPts < 0)
                    w.firstPts = pts;
                w.lastPts = pts;
            }
        }
        pos += 188;
    }
    return w;
}

// The probe windows, written out: a shrunk window must fail the comparisons below.
constexpr qint64 kStartProbeBytes = 200000;
constexpr qint64 kEndProbeBytes = 4194304;

qint64 referenceFirst(const QByteArray &file, qint64 offset)
{
    const Walk w = referenceWalk(file.mid(offset, kStartProbeBytes), true);
    return w.firstPcr >= 0 ? w.firstPcr : w.firstPts;
}

qint64 referenceLast(const QByteArray &file)
{
    const qint64 start = std::max<qint64>(0, file.size() - kEndProbeBytes);
    const Walk w = referenceWalk(file.mid(start), false);
    return w.lastPcr >= 0 ? w.lastPcr : w.lastPts;
}

// A transport stream with random payload bytes (so it holds false sync bytes): a PCR every
// pcrEvery packets (0: none), a PES header with PTS every ptsEvery packets (0: none).
QByteArray randomStream(QRandomGenerator &rng, int packets, int pcrEvery, int ptsEvery,
                        qint64 clock = 1000000)
{
    QByteArray out;
    out.reserve(packets * 188);
    for (int i = 0; i < packets; ++i) {
        const bool pcr = pcrEvery > 0 && i % pcrEvery == 0;
        const bool pts = ptsEvery > 0 && i % ptsEvery == 0;
        QByteArray p =
            fixtures::tsPacket(pcr ? (clock + i * 300) % Gen::TIMESTAMP_WRAP : -1,
                               pts ? (clock + i * 300 + 7) % Gen::TIMESTAMP_WRAP : -1, pts);
        const int payload = pcr ? 12 : 4;
        const int from = payload + (pts ? 14 : 0);
        for (int k = from; k < 188; ++k)
            p[k] = char(rng.bounded(256));
        out += p;
    }
    return out;
}

// Bytes drawn mostly from 0x47 and a few values that look like packet flags.
QByteArray syncHeavyGarbage(QRandomGenerator &rng, int size)
{
    QByteArray out(size, Qt::Uninitialized);
    static const char alphabet[] = {0x47, 0x47, 0x47, 0x40, 0x30,
                                    0x10, 0x07, 0x00, 0x01, char(0xff)};
    for (int i = 0; i < size; ++i)
        out[i] = rng.bounded(3) == 0 ? char(rng.bounded(256))
                                     : alphabet[rng.bounded(int(sizeof(alphabet)))];
    return out;
}

// Fragments made of packets; the first packet of each fragment carries the given PCR (or none
// for -1), and the file's last packet carries endPcr.
QByteArray fragmentedStream(const QList<qint64> &fragmentPcrs, int packetsPerFragment,
                            qint64 endPcr, QList<qint64> *offsets)
{
    QByteArray out;
    for (const qint64 pcr : fragmentPcrs) {
        offsets->append(out.size());
        out += fixtures::tsPacket(pcr);
        for (int i = 1; i < packetsPerFragment; ++i)
            out += fixtures::tsFiller();
    }
    out += fixtures::tsPacket(endPcr);
    return out;
}

const QString kMasterAvcTracks12 = QStringLiteral(
    "#EXTM3U\n#EXT-X-VERSION:6\n"
    "#EXT-X-STREAM-INF:BANDWIDTH=2000000,CODECS=\"ac-3,avc1.42e01e\",AUDIO=\"audio\"\n"
    "video.m3u8\n"
    "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"audio\",NAME=\"Track 1\",DEFAULT=YES,AUTOSELECT=YES,"
    "URI=\"audio1.m3u8\"\n"
    "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"audio\",NAME=\"Track 2\",DEFAULT=NO,AUTOSELECT=YES,"
    "URI=\"audio2.m3u8\"");
const QString kMasterHevcTracks12 = QStringLiteral(
    "#EXTM3U\n#EXT-X-VERSION:6\n"
    "#EXT-X-STREAM-INF:BANDWIDTH=2000000,CODECS=\"hev1.2.4.L120.B0,ac-4.02.01.01,ac-4.02.01.00\","
    "AUDIO=\"audio\"\n"
    "video.m3u8\n"
    "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"audio\",NAME=\"Track 1\",DEFAULT=YES,AUTOSELECT=YES,"
    "URI=\"audio1.m3u8\"\n"
    "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"audio\",NAME=\"Track 2\",DEFAULT=NO,AUTOSELECT=YES,"
    "URI=\"audio2.m3u8\"");
const QString kMasterAvcNoTracks = QStringLiteral(
    "#EXTM3U\n#EXT-X-VERSION:6\n"
    "#EXT-X-STREAM-INF:BANDWIDTH=2000000,CODECS=\"ac-3,avc1.42e01e\",AUDIO=\"audio\"\n"
    "video.m3u8");

QString playlist(qint64 target, const QStringList &body, const QString &map = QString())
{
    QStringList lines{QStringLiteral("#EXTM3U"), QStringLiteral("#EXT-X-VERSION:6"),
                      QStringLiteral("#EXT-X-TARGETDURATION:%1").arg(target),
                      QStringLiteral("#EXT-X-MEDIA-SEQUENCE:0")};
    if (!map.isEmpty())
        lines.append(QStringLiteral("#EXT-X-MAP:URI=\"%1\"").arg(map));
    lines += body;
    lines.append(QStringLiteral("#EXT-X-ENDLIST"));
    return lines.join(QLatin1Char('\n'));
}

QStringList segment(const QString &duration, qint64 length, qint64 offset, const QString &file)
{
    return {QStringLiteral("#EXTINF:%1,").arg(duration),
            QStringLiteral("#EXT-X-BYTERANGE:%1@%2").arg(length).arg(offset), file};
}

QString nominalWarning(const QString &file, int fallbacks, int segments)
{
    return QStringLiteral("PlaylistGenerator: \"%1\" — nominal duration for %2 of %3 segments (no "
                          "readable stream timestamp); seeking may drift past those")
        .arg(file)
        .arg(fallbacks)
        .arg(segments);
}

QString build(const QString &path, const QList<qint64> &ranges, double nominal,
              const QString &init = QString(), QString *error = nullptr)
{
    try {
        return Gen::buildMediaPlaylist(path, QFileInfo(path).fileName(), ranges, init, nominal);
    } catch (const std::exception &e) {
        if (error)
            *error = QString::fromUtf8(e.what());
    }
    return {};
}

mkrec::FlowRow flow(const char *type, int track, const QList<qint64> &ranges,
                    const QByteArray &init = QByteArray(), const QString &playlist = QString())
{
    return {QLatin1String(type), track, ranges, init, playlist};
}

// A folder with media files made of a few PCR-carrying packets and matching flow rows.
struct Folder
{
    QString dir;
    DbSpec dbSpec;
    QStringList files{QStringLiteral("video1.ts"), QStringLiteral("audio1.ts")};
    QByteArray media;
    QList<qint64> offsets;

    explicit Folder(const QString &d)
        : dir(d)
    {
        media = fragmentedStream({0, 2 * kTicks, 4 * kTicks}, 2, 6 * kTicks, &offsets);
        dbSpec.info = fixtures::infoJson(QStringLiteral("F"));
        dbSpec.flows = {flow("video", 1, offsets, {}, QStringLiteral("#EXTINF:2.000,\nx")),
                        flow("audio", 1, offsets)};
    }
    QString write() const
    {
        for (const QString &f : files)
            if (!fixtures::writeFile(dir + QLatin1Char('/') + f, media))
                return QStringLiteral("cannot write ") + f;
        return fixtures::writeDb(dir, dbSpec);
    }
    bool has(const char *name) const
    {
        return QFile::exists(dir + QLatin1Char('/') + QLatin1String(name));
    }
    QString text(const char *name) const
    {
        return QString::fromUtf8(fixtures::readFile(dir + QLatin1Char('/') + QLatin1String(name)));
    }
    // Media without a single sync byte, in fragments of one packet each.
    void useTimestamplessMedia(int fragments)
    {
        media = QByteArray(fragments * 188, '\x13');
        offsets.clear();
        for (int i = 0; i < fragments; ++i)
            offsets.append(i * 188);
        for (mkrec::FlowRow &row : dbSpec.flows)
            row.ranges = offsets;
    }
};

QString cutWarning(const QString &file, qint64 size, int kept, int listed)
{
    return QStringLiteral("PlaylistGenerator: \"%1\" is cut short at %2 bytes — playing its first "
                          "%3 of %4 fragments")
        .arg(file)
        .arg(size)
        .arg(kept)
        .arg(listed);
}

} // namespace

class TestPlaylistGenerator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void groupFactor_data();
    void groupFactor();
    void masterPlaylist_data();
    void masterPlaylist();
    void probesMatchPlainWindow_data();
    void probesMatchPlainWindow();
    void probesReadLittle();
    void workedExample();
    void measuredDurations_data();
    void measuredDurations();
    void sevenFragmentsInThreeSegments();
    void emptyRanges();
    void timestampsFromPts();
    void mediaErrors_data();
    void mediaErrors();
    void unreadableMediaUsesNominal();
    void generatedRecording_data();
    void generatedRecording();
    void folderFailures_data();
    void folderFailures();
    void folderVariants();
    void cutShortFragmentLists_data();
    void cutShortFragmentLists();
    void cutShortFolderPlays();
    void audioTracksInTrackOrder();
    void nominalFromBoxPlaylist_data();
    void nominalFromBoxPlaylist();
    void neverWritesThroughLinks_data();
    void neverWritesThroughLinks();
    void leavesWriteAheadLogAlone();
    void generatesPastAnInterruptedWrite();
    void rerunAfterFailure();
    void generatorObject();
};

void TestPlaylistGenerator::init()
{
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

void TestPlaylistGenerator::groupFactor_data()
{
    QTest::addColumn<double>("nominal");
    QTest::addColumn<qint64>("f");
    QTest::newRow("2.002") << 2.002 << qint64(3);
    QTest::newRow("1.0 default") << 1.0 << qint64(6);
    QTest::newRow("0.5") << 0.5 << qint64(12);
    QTest::newRow("10") << 10.0 << qint64(1);
    QTest::newRow("4.0: 1.5 goes to 2") << 4.0 << qint64(2);
    QTest::newRow("2.4: 2.5 goes to 3") << 2.4 << qint64(3);
    QTest::newRow("12: 0.5 goes to 1") << 12.0 << qint64(1);
    QTest::newRow("13: below 0.5, still 1") << 13.0 << qint64(1);
    QTest::newRow("absurdly small stays bounded") << 1e-300 << qint64(1e15);
}

void TestPlaylistGenerator::groupFactor()
{
    QFETCH(double, nominal);
    QFETCH(qint64, f);
    QCOMPARE(Gen::groupFactor(nominal), f);
}

void TestPlaylistGenerator::masterPlaylist_data()
{
    QTest::addColumn<bool>("init");
    QTest::addColumn<QList<int>>("tracks");
    QTest::addColumn<QString>("expected");
    const QString avc = QStringLiteral(
        "#EXTM3U\n#EXT-X-VERSION:6\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=2000000,CODECS=\"ac-3,avc1.42e01e\",AUDIO=\"audio\"\n"
        "video.m3u8");
    const QString hevc = QStringLiteral("#EXTM3U\n#EXT-X-VERSION:6\n"
                                        "#EXT-X-STREAM-INF:BANDWIDTH=2000000,CODECS=\"hev1.2.4."
                                        "L120.B0,ac-4.02.01.01,ac-4.02.01.00\","
                                        "AUDIO=\"audio\"\nvideo.m3u8");
    const auto media = [](int m, bool def) {
        return QStringLiteral("\n#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"audio\",NAME=\"Track %1\","
                              "DEFAULT=%2,AUTOSELECT=YES,URI=\"audio%1.m3u8\"")
            .arg(m)
            .arg(def ? QStringLiteral("YES") : QStringLiteral("NO"));
    };
    QTest::newRow("no tracks") << false << QList<int>{} << avc;
    QTest::newRow("two tracks, first is default")
        << false << QList<int>{1, 2} << avc + media(1, true) + media(2, false);
    QTest::newRow("init segment: HEVC and AC-4") << true << QList<int>{3} << hevc + media(3, true);
}

void TestPlaylistGenerator::masterPlaylist()
{
    QFETCH(bool, init);
    QFETCH(QList<int>, tracks);
    QFETCH(QString, expected);
    QCOMPARE(Gen::buildMasterPlaylist(init, tracks), expected);
}

void TestPlaylistGenerator::probesMatchPlainWindow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<qint64>>("offsets");

    QRandomGenerator rng(20240611);
    const QByteArray clean = randomStream(rng, 30000, 7, 5); // 5.6 MB, false syncs in payload
    QTest::newRow("clean stream, false syncs in payload") << clean
                                                          << QList<qint64>{0,
                                                                           188,
                                                                           188 * 1001,
                                                                           5,
                                                                           187,
                                                                           189,
                                                                           clean.size() - 188 * 3,
                                                                           clean.size() - 100,
                                                                           clean.size(),
                                                                           clean.size() + 10};

    // PCRs only in the first megabyte; the tail has PTS only, so the end probe has to look
    // further back than its first guess.
    QByteArray early = randomStream(rng, 6000, 9, 0);
    early += randomStream(rng, 10000, 0, 4);
    QTest::newRow("tail without PCR") << early << QList<qint64>{0, 188 * 6000, 188 * 6001 + 3};

    QTest::newRow("no PCR anywhere")
        << randomStream(rng, 4000, 0, 3) << QList<qint64>{0, 1, 188 * 10};
    QTest::newRow("neither PCR nor PTS") << randomStream(rng, 3000, 0, 0) << QList<qint64>{0, 77};

    // First PCR beyond the start window of offset 0: the PTS wins there.
    QByteArray late = randomStream(rng, 1200, 0, 50);
    late += randomStream(rng, 100, 1, 0);
    QTest::newRow("PCR beyond the start window") << late << QList<qint64>{0, 188 * 200};

    QTest::newRow("sync-heavy garbage")
        << syncHeavyGarbage(rng, 600000) << QList<qint64>{0, 1, 2, 1000, 400000, 599990};
    QTest::newRow("big sync-heavy garbage")
        << syncHeavyGarbage(rng, 5000000) << QList<qint64>{0, 4000000};
    QTest::newRow("garbage then stream")
        << syncHeavyGarbage(rng, 3001) + randomStream(rng, 200, 3, 2) << QList<qint64>{0, 3001};
    QTest::newRow("stream then garbage")
        << randomStream(rng, 300, 3, 2) + syncHeavyGarbage(rng, 20000) << QList<qint64>{0};
    // Every packet hides a second, self-consistent packet grid half a packet further on, with
    // its own PCRs. Which grid a walk follows depends on where it starts; the length is chosen
    // so that the end window's start and the last 16 KiB start on different grids.
    QByteArray twoGrids;
    for (int i = 0; i < 24000; ++i) {
        QByteArray p = fixtures::tsPacket(1000 + i);
        const QByteArray hidden = fixtures::tsPacket(5000000 + i);
        p.replace(94, 11, hidden.left(11));
        twoGrids += p;
    }
    twoGrids += QByteArray(120, '\0');
    QTest::newRow("two interleaved packet grids") << twoGrids << QList<qint64>{0, 94, 50};
    QTest::newRow("shorter than a packet") << QByteArray(100, '\x47') << QList<qint64>{0, 50};
}

void TestPlaylistGenerator::probesMatchPlainWindow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<qint64>, offsets);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString path = tmp.filePath(QStringLiteral("media"));
    QVERIFY(fixtures::writeFile(path, bytes));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    for (const qint64 offset : offsets)
        QVERIFY2(tsprobe::firstTimestamp(file, offset, Gen::START_PROBE_BYTES) ==
                     referenceFirst(bytes, offset),
                 qPrintable(QStringLiteral("offset %1").arg(offset)));
    QCOMPARE(tsprobe::lastTimestamp(file, bytes.size(), Gen::END_PROBE_BYTES),
             referenceLast(bytes));
}

void TestPlaylistGenerator::probesReadLittle()
{
    // A stream whose PCR comes in the third packet of each fragment, as after PAT and PMT.
    QRandomGenerator rng(7);
    const QByteArray bytes = randomStream(rng, 40000, 20, 0); // PCR in packets 0, 20, 40, ...
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString path = tmp.filePath(QStringLiteral("media"));
    QVERIFY(fixtures::writeFile(path, bytes));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));

    qint64 read = 0;
    QCOMPARE(tsprobe::firstTimestamp(file, 18 * 188, Gen::START_PROBE_BYTES, &read),
             referenceFirst(bytes, 18 * 188));
    QVERIFY2(read <= 3 * 32, qPrintable(QString::number(read)));
    read = 0;
    QCOMPARE(tsprobe::lastTimestamp(file, bytes.size(), Gen::END_PROBE_BYTES, &read),
             referenceLast(bytes));
    QVERIFY2(read <= 16384, qPrintable(QString::number(read)));
}

void TestPlaylistGenerator::workedExample()
{
    // Four fragments of 2.0 s nominal: f = 3. The segments start 6.006 s apart and the last
    // timestamp of the file is 2.002 s after the second segment's start.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const qint64 t0 = 123456;
    QList<qint64> offsets;
    const QByteArray bytes =
        fragmentedStream({t0, -1, -1, t0 + 540540}, 3, t0 + 540540 + 180180, &offsets);
    const QString path = tmp.filePath(QStringLiteral("video1.ts"));
    QVERIFY(fixtures::writeFile(path, bytes));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    const QString text = build(path, offsets, 2.0);
    QCOMPARE(text,
             playlist(7, segment(QStringLiteral("6.006"), 188 * 9, 0, QStringLiteral("video1.ts")) +
                             segment(QStringLiteral("2.002"), 188 * 4, 188 * 9,
                                     QStringLiteral("video1.ts"))));
}

void TestPlaylistGenerator::measuredDurations_data()
{
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("firstTicks");  // second segment start - first
    QTest::addColumn<qint64>("secondTicks"); // end - second segment start
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<qint64>("target");
    QTest::addColumn<int>("fallbacks");

    // f = 3 with a nominal length of 2.0: the bound is 18 s for both segments.
    QTest::newRow("plain") << qint64(0) << 6 * kTicks << 2 * kTicks << QStringLiteral("6.000")
                           << QStringLiteral("2.000") << qint64(6) << 0;
    QTest::newRow("wrap-around") << Gen::TIMESTAMP_WRAP - kTicks << qint64(540540) << qint64(180180)
                                 << QStringLiteral("6.006") << QStringLiteral("2.002") << qint64(7)
                                 << 0;
    QTest::newRow("exactly the bound is rejected")
        << qint64(1000) << 18 * kTicks << 2 * kTicks << QStringLiteral("6.000")
        << QStringLiteral("2.000") << qint64(6) << 1;
    QTest::newRow("just below the bound is kept")
        << qint64(1000) << qint64(18 * kTicks - 9) << qint64(2 * kTicks) << QStringLiteral("18.000")
        << QStringLiteral("2.000") << qint64(18) << 0;
    QTest::newRow("last segment bound is the full one")
        << qint64(1000) << 6 * kTicks << 17 * kTicks << QStringLiteral("6.000")
        << QStringLiteral("17.000") << qint64(17) << 0;
    QTest::newRow("zero is rejected")
        << qint64(5000) << qint64(0) << qint64(0) << QStringLiteral("6.000")
        << QStringLiteral("2.000") << qint64(6) << 2;
    QTest::newRow("backwards jump reads as a wrap and is rejected")
        << qint64(50 * kTicks) << -kTicks << 2 * kTicks << QStringLiteral("6.000")
        << QStringLiteral("2.000") << qint64(6) << 1;
}

void TestPlaylistGenerator::measuredDurations()
{
    QFETCH(qint64, start);
    QFETCH(qint64, firstTicks);
    QFETCH(qint64, secondTicks);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(qint64, target);
    QFETCH(int, fallbacks);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const auto wrap = [](qint64 v) {
        return ((v % Gen::TIMESTAMP_WRAP) + Gen::TIMESTAMP_WRAP) % Gen::TIMESTAMP_WRAP;
    };
    QList<qint64> offsets;
    const qint64 second0 = wrap(start + firstTicks);
    const QByteArray bytes =
        fragmentedStream({start, -1, -1, second0}, 2, wrap(second0 + secondTicks), &offsets);
    const QString path = tmp.filePath(QStringLiteral("video1.ts"));
    QVERIFY(fixtures::writeFile(path, bytes));
    if (fallbacks > 0)
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(nominalWarning(QStringLiteral("video1.ts"), fallbacks, 2)));
    else
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    QCOMPARE(build(path, offsets, 2.0),
             playlist(target, segment(first, 188 * 6, 0, QStringLiteral("video1.ts")) +
                                  segment(second, 188 * 3, 188 * 6, QStringLiteral("video1.ts"))));
}

void TestPlaylistGenerator::sevenFragmentsInThreeSegments()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    // No timestamps at all: every segment takes its nominal duration.
    QByteArray bytes;
    QList<qint64> offsets;
    for (int i = 0; i < 7; ++i) {
        offsets.append(bytes.size());
        bytes += QByteArray(100 + i, char(0x11 + i));
    }
    const QString path = tmp.filePath(QStringLiteral("audio1"));
    QVERIFY(fixtures::writeFile(path, bytes));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(nominalWarning(QStringLiteral("audio1"), 3, 3)));
    const QString file = QStringLiteral("audio1");
    QCOMPARE(
        build(path, offsets, 2.002),
        playlist(
            7, segment(QStringLiteral("6.006"), offsets[3], 0, file) +
                   segment(QStringLiteral("6.006"), offsets[6] - offsets[3], offsets[3], file) +
                   segment(QStringLiteral("2.002"), bytes.size() - offsets[6], offsets[6], file)));
}

void TestPlaylistGenerator::emptyRanges()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString path = tmp.filePath(QStringLiteral("video1.mp4"));
    QVERIFY(fixtures::writeFile(path, "moof"));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    QCOMPARE(build(path, {}, 2.0, QStringLiteral("video_1_init.mp4")),
             playlist(1, {}, QStringLiteral("video_1_init.mp4")));
    QCOMPARE(build(path, {}, 2.0), playlist(1, {}));
}

void TestPlaylistGenerator::timestampsFromPts()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    // Segment 0 holds only a PTS within its whole start window. Segment 1 starts with a PTS
    // and has a PCR a few packets later: the PCR wins. At the end of the file a PTS follows the
    // last PCR: the PCR wins there too.
    QByteArray bytes;
    QList<qint64> offsets{0};
    bytes += fixtures::tsPacket(-1, 10 * kTicks);
    while (bytes.size() < Gen::START_PROBE_BYTES)
        bytes += fixtures::tsFiller();
    offsets.append(bytes.size());
    bytes += fixtures::tsPacket(-1, 99 * kTicks);
    bytes += fixtures::tsFiller();
    bytes += fixtures::tsPacket(14 * kTicks);
    bytes += fixtures::tsPacket(17 * kTicks);
    bytes += fixtures::tsPacket(-1, 19 * kTicks);
    const QString path = tmp.filePath(QStringLiteral("video1"));
    QVERIFY(fixtures::writeFile(path, bytes));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    // nominal 6 s: f = 1, one fragment per segment.
    const qint64 second = offsets.at(1);
    QCOMPARE(build(path, offsets, 6.0),
             playlist(4, segment(QStringLiteral("4.000"), second, 0, QStringLiteral("video1")) +
                             segment(QStringLiteral("3.000"), bytes.size() - second, second,
                                     QStringLiteral("video1"))));
}

void TestPlaylistGenerator::mediaErrors_data()
{
    QTest::addColumn<int>("fileSize"); // -1: no file
    QTest::addColumn<QList<qint64>>("ranges");
    QTest::addColumn<double>("nominal"); // 6.0: every fragment starts a segment; 2.0: every third
    QTest::addColumn<QString>("error");  // %1 is the path
    QTest::newRow("missing") << -1 << QList<qint64>{0} << 6.0
                             << QStringLiteral("ts file %1 missing or empty");
    QTest::newRow("empty") << 0 << QList<qint64>{0} << 6.0
                           << QStringLiteral("ts file %1 missing or empty");
    QTest::newRow("negative offset")
        << 1000 << QList<qint64>{-8, 500} << 6.0
        << QStringLiteral("fragment 0 of %1 starts at byte -8, outside the file of 1000 bytes");
    QTest::newRow("descending")
        << 1000 << QList<qint64>{0, 600, 400} << 6.0
        << QStringLiteral("fragment 2 of %1 starts at byte 400, not after fragment 1 at byte 600");
    QTest::newRow("repeated")
        << 1000 << QList<qint64>{0, 0} << 6.0
        << QStringLiteral("fragment 1 of %1 starts at byte 0, not after fragment 0 at byte 0");
    QTest::newRow("segment starts descending")
        << 1000 << QList<qint64>{500, 600, 700, 100} << 2.0
        << QStringLiteral("fragment 3 of %1 starts at byte 100, not after fragment 0 at byte 500");
    QTest::newRow("garbage offset among whole ones")
        << 1000 << QList<qint64>{0, 5000, 400} << 6.0
        << QStringLiteral("fragment 1 of %1 starts at byte 5000, outside the file of 1000 bytes");
    QTest::newRow("first fragment already past the end")
        << 1000 << QList<qint64>{0, 1500, 2000} << 6.0
        << QStringLiteral("%1 holds no whole fragment: the first ends past its 1000 bytes");
}

void TestPlaylistGenerator::mediaErrors()
{
    QFETCH(int, fileSize);
    QFETCH(QList<qint64>, ranges);
    QFETCH(double, nominal);
    QFETCH(QString, error);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    // A folder name that looks like placeholders must come out of the text unchanged.
    QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("50%2 off %4")));
    const QString path = tmp.filePath(QStringLiteral("50%2 off %4/video1.ts"));
    if (fileSize >= 0)
        QVERIFY(fixtures::writeFile(path, QByteArray(fileSize, '\x47')));
    QString got;
    QCOMPARE(build(path, ranges, nominal, QString(), &got), QString());
    QCOMPARE(got, error.arg(path));
}

void TestPlaylistGenerator::unreadableMediaUsesNominal()
{
    // A folder has a size but cannot be opened as a file.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString path = tmp.filePath(QStringLiteral("video1.ts"));
    QVERIFY(QDir().mkpath(path));
    const qint64 size = QFileInfo(path).size();
    if (size < 2)
        QSKIP("folders have no size on this file system");
    QTest::ignoreMessage(
        QtWarningMsg,
        qPrintable(QStringLiteral("PlaylistGenerator: could not open \"%1\" to measure "
                                  "durations — using nominal; seeking will drift")
                       .arg(path)));
    QCOMPARE(build(path, {0, 1}, 10.0),
             playlist(10, segment(QStringLiteral("10.000"), 1, 0, QStringLiteral("video1.ts")) +
                              segment(QStringLiteral("10.000"), size - 1, 1,
                                      QStringLiteral("video1.ts"))));
}

void TestPlaylistGenerator::generatedRecording_data()
{
    QTest::addColumn<mkrec::Variant>("variant");
    QTest::addColumn<bool>("extensions");
    QTest::newRow("ts") << mkrec::Variant::MpegTs << true;
    QTest::newRow("fmp4") << mkrec::Variant::FragmentedMp4 << true;
    QTest::newRow("fmp4 without extensions") << mkrec::Variant::FragmentedMp4 << false;
}

void TestPlaylistGenerator::generatedRecording()
{
    QFETCH(mkrec::Variant, variant);
    QFETCH(bool, extensions);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    mkrec::RecordingOptions o;
    o.folder = tmp.filePath(QStringLiteral("rec"));
    o.variant = variant;
    o.mediaExtensions = extensions;
    o.durationSeconds = 13;
    o.fragmentSeconds = 2.0;
    o.width = 160;
    o.height = 90;
    o.audioTracks = 2;
    QCOMPARE(mkrec::makeRecording(o), QString());
    const bool ts = variant == mkrec::Variant::MpegTs;
    const QString ext = !extensions ? QString()
                        : ts        ? QStringLiteral(".ts")
                                    : QStringLiteral(".mp4");

    if (ts) {
        // The streams carry PCRs: every segment is measured.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    } else {
        // The probe finds no transport-stream timestamps in fragmented MP4.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 "^PlaylistGenerator: \"video1.*\" — nominal duration for")));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 "^PlaylistGenerator: \"audio1.*\" — nominal duration for")));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 "^PlaylistGenerator: \"audio2.*\" — nominal duration for")));
    }
    const Gen::Result r = Gen::generatePlaylists(o.folder);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.path, o.folder);
    QVERIFY(r.error.isEmpty());

    QDir dir(o.folder);
    const QString master =
        QString::fromUtf8(fixtures::readFile(dir.filePath(QStringLiteral("master.m3u8"))));
    QCOMPARE(master, ts ? kMasterAvcTracks12 : kMasterHevcTracks12);
    const QString video =
        QString::fromUtf8(fixtures::readFile(dir.filePath(QStringLiteral("video.m3u8"))));
    const QStringList lines = video.split(QLatin1Char('\n'));
    // 13 s at 29.97 fps in 2.002 s fragments: 7 fragments, f = 3, three segments.
    QCOMPARE(lines.count(QStringLiteral("video1") + ext), 3);
    qint64 expectedOffset = 0;
    double total = 0;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String("#EXTINF:")))
            total += lines[i].mid(8).chopped(1).toDouble();
        if (!lines[i].startsWith(QLatin1String("#EXT-X-BYTERANGE:")))
            continue;
        const QStringList parts = lines[i].mid(17).split(QLatin1Char('@'));
        QCOMPARE(parts.at(1).toLongLong(), expectedOffset);
        expectedOffset += parts.at(0).toLongLong();
    }
    QCOMPARE(expectedOffset, QFileInfo(dir.filePath(QStringLiteral("video1") + ext)).size());
    if (ts)
        QVERIFY2(std::abs(total - 13.013) < 0.1, qPrintable(QString::number(total)));
    else
        QCOMPARE(total, 7 * 2.002);

    const QString init =
        QStringLiteral("video_1_init") + (extensions ? QStringLiteral(".mp4") : QString());
    QCOMPARE(lines.contains(QStringLiteral("#EXT-X-MAP:URI=\"%1\"").arg(init)), !ts);
    QCOMPARE(dir.exists(init), !ts);
    if (!ts) {
        QCOMPARE(fixtures::readFile(dir.filePath(init)).left(8).mid(4), QByteArray("ftyp"));
        QVERIFY(dir.exists(QStringLiteral("audio_2_init") +
                           (extensions ? QStringLiteral(".mp4") : QString())));
    }
    for (const char *name : {"audio1.m3u8", "audio2.m3u8"})
        QVERIFY2(dir.exists(QLatin1String(name)), name);
}

void TestPlaylistGenerator::folderFailures_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<QString>("error"); // %1: folder, %2: database path
    QTest::addColumn<QStringList>("written");

    const QStringList none;
    QTest::newRow("no video file")
        << QStringLiteral("novideo") << QStringLiteral("no video1 file in %1") << none;
    QTest::newRow("only a video playlist")
        << QStringLiteral("videoplaylist") << QStringLiteral("no video1 file in %1") << none;
    QTest::newRow("no audio file")
        << QStringLiteral("noaudio") << QStringLiteral("no audio<N> files in %1") << none;
    QTest::newRow("no database") << QStringLiteral("nodb")
                                 << QStringLiteral("open %2: no such file") << none;
    QTest::newRow("database without flow table")
        << QStringLiteral("noflowtable")
        << QStringLiteral("read ranges (type=video, track=-1): no such table: flow Unable to "
                          "execute statement")
        << none;
    QTest::newRow("no video row") << QStringLiteral("novideorow")
                                  << QStringLiteral("no row in flow for type=video, track=-1")
                                  << none;
    QTest::newRow("audio row without a file")
        << QStringLiteral("audio2row") << QStringLiteral("audio track 2: no audio2 file on disk")
        << QStringList{QStringLiteral("video.m3u8"), QStringLiteral("audio1.m3u8")};
    QTest::newRow("audio segment starts descending")
        << QStringLiteral("descendingaudio")
        << QStringLiteral(
               "fragment 3 of %1/audio1.ts starts at byte 188, not after fragment 0 at byte 376")
        << QStringList{QStringLiteral("video.m3u8")};
}

void TestPlaylistGenerator::folderFailures()
{
    QFETCH(QString, breakage);
    QFETCH(QString, error);
    QFETCH(QStringList, written);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    Folder f(tmp.filePath(QStringLiteral("rec")));
    bool writeDb = true;
    if (breakage == QLatin1String("novideo"))
        f.files = QStringList{QStringLiteral("audio1.ts")};
    else if (breakage == QLatin1String("videoplaylist"))
        f.files = QStringList{QStringLiteral("video1.m3u8"), QStringLiteral("audio1.ts")};
    else if (breakage == QLatin1String("noaudio"))
        f.files = QStringList{QStringLiteral("video1.ts"), QStringLiteral("audio1.M3U8")};
    else if (breakage == QLatin1String("nodb"))
        writeDb = false;
    else if (breakage == QLatin1String("noflowtable"))
        f.dbSpec.flowTable = false;
    else if (breakage == QLatin1String("novideorow"))
        f.dbSpec.flows.removeFirst();
    else if (breakage == QLatin1String("audio2row"))
        f.dbSpec.flows.append(flow("audio", 2, f.offsets));
    else if (breakage == QLatin1String("descendingaudio"))
        f.dbSpec.flows[1].ranges = {376, 400, 500, 188};
    QVERIFY(QDir().mkpath(f.dir));
    if (writeDb) {
        QCOMPARE(f.write(), QString());
    } else {
        for (const QString &file : std::as_const(f.files))
            QVERIFY(fixtures::writeFile(f.dir + QLatin1Char('/') + file, f.media));
    }
    const QString dbPath = f.dir + QStringLiteral("/sv_metadata.db");
    const QByteArray dbBefore = fixtures::readFile(dbPath);

    const Gen::Result r = Gen::generatePlaylists(f.dir);
    QVERIFY(!r.ok);
    QCOMPARE(r.path, f.dir);
    QCOMPARE(
        r.error,
        QString(error).replace(QStringLiteral("%1"), f.dir).replace(QStringLiteral("%2"), dbPath));
    QVERIFY(!f.has("master.m3u8"));
    for (const char *name : {"video.m3u8", "audio1.m3u8"})
        QCOMPARE(f.has(name), written.contains(QLatin1String(name)));
    // The generator only reads the database; it never creates one.
    QCOMPARE(QFile::exists(dbPath), writeDb);
    QCOMPARE(fixtures::readFile(dbPath), dbBefore);
}

void TestPlaylistGenerator::folderVariants()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());

    // No audio rows at all, though there are audio files: a master without EXT-X-MEDIA lines.
    {
        Folder f(tmp.filePath(QStringLiteral("noaudiorows")));
        f.dbSpec.flows.removeLast();
        QCOMPARE(f.write(), QString());
        const Gen::Result r = Gen::generatePlaylists(f.dir);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(QString::fromUtf8(fixtures::readFile(f.dir + QStringLiteral("/master.m3u8"))),
                 kMasterAvcNoTracks);
        QVERIFY(!f.has("audio1.m3u8"));
    }
    // A video row with Track 2: ranges still found, its init segment is not.
    {
        Folder f(tmp.filePath(QStringLiteral("videotrack2")));
        f.dbSpec.flows[0].track = 2;
        f.dbSpec.flows[0].init = QByteArray("\0\0\0\x08"
                                            "ftyp",
                                            8);
        f.dbSpec.flows[1].init = QByteArray("audio-init");
        QCOMPARE(f.write(), QString());
        const Gen::Result r = Gen::generatePlaylists(f.dir);
        QVERIFY2(r.ok, qPrintable(r.error));
        const QString video =
            QString::fromUtf8(fixtures::readFile(f.dir + QStringLiteral("/video.m3u8")));
        QVERIFY(!video.contains(QLatin1String("#EXT-X-MAP")));
        QVERIFY(video.contains(QLatin1String("#EXT-X-BYTERANGE:1316@0")));
        QVERIFY(fixtures::readFile(f.dir + QStringLiteral("/master.m3u8")).contains("avc1.42e01e"));
        QVERIFY(!f.has("video_2_init.mp4") && !f.has("video_1_init.mp4"));
        QCOMPARE(fixtures::readFile(f.dir + QStringLiteral("/audio_1_init.mp4")),
                 QByteArray("audio-init"));
        QVERIFY(fixtures::readFile(f.dir + QStringLiteral("/audio1.m3u8"))
                    .contains("#EXT-X-MAP:URI=\"audio_1_init.mp4\""));
    }
    // A 20-byte Range blob: two fragments, the rest ignored; the nominal length comes from the
    // video row's playlist (4.0 s: f = 2); Json stored as blobs.
    {
        Folder f(tmp.filePath(QStringLiteral("oddrange")));
        f.dbSpec.rawRanges = {mkrec::packRanges({0, 376}) + QByteArray("\x01\x02\x03\x04", 4)};
        f.dbSpec.flows[0].playlist = QStringLiteral("#EXTM3U\n#EXTINF:4.0,\nfoo\n#EXTINF:9.0,\n");
        f.dbSpec.jsonAsBlob = true;
        QCOMPARE(f.write(), QString());
        const Gen::Result r = Gen::generatePlaylists(f.dir);
        QVERIFY2(r.ok, qPrintable(r.error));
        const QString video =
            QString::fromUtf8(fixtures::readFile(f.dir + QStringLiteral("/video.m3u8")));
        // One segment of both fragments, measured from 0 to the end PCR at 6 s.
        QCOMPARE(video, playlist(6, segment(QStringLiteral("6.000"), f.media.size(), 0,
                                            QStringLiteral("video1.ts"))));
    }
    // Binary garbage instead of packets: playable playlists on nominal durations.
    {
        Folder f(tmp.filePath(QStringLiteral("garbage")));
        f.media = QByteArray(f.media.size(), '\x13');
        QCOMPARE(f.write(), QString());
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(nominalWarning(QStringLiteral("video1.ts"), 1, 1)));
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(nominalWarning(QStringLiteral("audio1.ts"), 1, 1)));
        const Gen::Result r = Gen::generatePlaylists(f.dir);
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(
            fixtures::readFile(f.dir + QStringLiteral("/video.m3u8")).contains("#EXTINF:6.000,"));
    }
}

void TestPlaylistGenerator::cutShortFragmentLists_data()
{
    QTest::addColumn<QList<qint64>>("ranges");
    QTest::addColumn<double>("nominal");
    QTest::addColumn<int>("kept"); // fragments left after the cut; -1: no cut
    QTest::addColumn<QStringList>("body");
    QTest::addColumn<qint64>("target");

    // The media file is 1000 bytes without timestamps: every duration is nominal.
    const QString v = QStringLiteral("video1.ts");
    const QString six = QStringLiteral("6.000");
    QTest::newRow("entry at the end of the file")
        << QList<qint64>{0, 400, 700, 1000} << 6.0 << 3
        << segment(six, 400, 0, v) + segment(six, 300, 400, v) + segment(six, 300, 700, v) << 6LL;
    QTest::newRow("entries past the end: the incomplete fragment is left out")
        << QList<qint64>{0, 400, 700, 1200, 1600} << 6.0 << 2
        << segment(six, 400, 0, v) + segment(six, 300, 400, v) << 6LL;
    QTest::newRow("cut inside a group")
        << QList<qint64>{0, 100, 200, 300, 400, 500, 1100} << 2.0 << 5
        << segment(six, 300, 0, v) + segment(QStringLiteral("4.000"), 200, 300, v) << 6LL;
    QTest::newRow("repeated offset inside a group")
        << QList<qint64>{0, 100, 100, 400, 500, 500} << 2.0 << -1
        << segment(six, 400, 0, v) + segment(six, 600, 400, v) << 6LL;
    QTest::newRow("out-of-order entries the segments do not start at")
        << QList<qint64>{0, 900, 50, 400, 10, 999} << 2.0 << -1
        << segment(six, 400, 0, v) + segment(six, 600, 400, v) << 6LL;
}

void TestPlaylistGenerator::cutShortFragmentLists()
{
    QFETCH(QList<qint64>, ranges);
    QFETCH(double, nominal);
    QFETCH(int, kept);
    QFETCH(QStringList, body);
    QFETCH(qint64, target);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString path = tmp.filePath(QStringLiteral("video1.ts"));
    QVERIFY(fixtures::writeFile(path, QByteArray(1000, '\x13')));
    if (kept >= 0)
        QTest::ignoreMessage(QtWarningMsg, qPrintable(cutWarning(QStringLiteral("video1.ts"), 1000,
                                                                 kept, int(ranges.size()))));
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(nominalWarning(QStringLiteral("video1.ts"),
                                                   int(body.size() / 3), int(body.size() / 3))));
    QString error;
    QCOMPARE(build(path, ranges, nominal, QString(), &error), playlist(target, body));
    QCOMPARE(error, QString());
}

void TestPlaylistGenerator::cutShortFolderPlays()
{
    // The box stopped while writing the third video fragment: the playlists cover the first two
    // and the folder counts as generated.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    Folder f(tmp.filePath(QStringLiteral("rec")));
    f.dbSpec.flows[0].ranges.append(5000);
    QCOMPARE(f.write(), QString());
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(cutWarning(QStringLiteral("video1.ts"), 1316, 2, 4)));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    const Gen::Result r = Gen::generatePlaylists(f.dir);
    QVERIFY2(r.ok, qPrintable(r.error));
    // From the first fragment's PCR (0 s) to the last one before the cut (2 s).
    QCOMPARE(f.text("video.m3u8"),
             playlist(2, segment(QStringLiteral("2.000"), 752, 0, QStringLiteral("video1.ts"))));
    QCOMPARE(f.text("audio1.m3u8"),
             playlist(6, segment(QStringLiteral("6.000"), 1316, 0, QStringLiteral("audio1.ts"))));
    QVERIFY(f.has("master.m3u8"));
}

void TestPlaylistGenerator::audioTracksInTrackOrder()
{
    // The rows of track 2 come first in the table; each track keeps its own byte ranges.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    Folder f(tmp.filePath(QStringLiteral("rec")));
    f.files.append(QStringLiteral("audio2.ts"));
    f.dbSpec.flows.insert(1, flow("audio", 2, {376, 752}));
    QCOMPARE(f.write(), QString());
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    const Gen::Result r = Gen::generatePlaylists(f.dir);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(f.text("master.m3u8"), kMasterAvcTracks12);
    QCOMPARE(f.text("audio1.m3u8"),
             playlist(6, segment(QStringLiteral("6.000"), 1316, 0, QStringLiteral("audio1.ts"))));
    // From the PCR of its first fragment (2 s) to the file's last (6 s).
    QCOMPARE(f.text("audio2.m3u8"),
             playlist(4, segment(QStringLiteral("4.000"), 940, 376, QStringLiteral("audio2.ts"))));
}

void TestPlaylistGenerator::nominalFromBoxPlaylist_data()
{
    QTest::addColumn<QString>("boxPlaylist");
    QTest::addColumn<bool>("blob");
    QTest::addColumn<QStringList>("body");

    // Seven one-packet fragments without timestamps: the durations are nominal, and the group
    // factor shows which nominal length was taken.
    const QString v = QStringLiteral("video1.ts");
    const QString six = QStringLiteral("6.000");
    const QStringList byDefault =
        segment(six, 1128, 0, v) + segment(QStringLiteral("1.000"), 188, 1128, v);
    const QStringList twoSeconds = segment(six, 564, 0, v) + segment(six, 564, 564, v) +
                                   segment(QStringLiteral("2.000"), 188, 1128, v);
    QTest::newRow("no playlist") << QString() << false << byDefault;
    QTest::newRow("no EXTINF") << QStringLiteral("#EXTM3U\n#EXT-X-ENDLIST\n") << false << byDefault;
    QTest::newRow("first EXTINF is zero")
        << QStringLiteral("#EXTINF:0,\nx\n#EXTINF:2.0,\n") << false << byDefault;
    QTest::newRow("first EXTINF is no number")
        << QStringLiteral("#EXTINF:.,\nx\n#EXTINF:2.0,\n") << false << byDefault;
    QTest::newRow("first candidate without a number")
        << QStringLiteral("#EXTINF:abc,\nx\n#EXTINF:2.0,\nx\n#EXTINF:3.0,\n") << false
        << twoSeconds;
    QTest::newRow("as a blob") << QStringLiteral("#EXTM3U\n#EXTINF:2.0,\nx\n") << true
                               << twoSeconds;
    QTest::newRow("far into a long text")
        << QStringLiteral("#EXT-X-PROGRAM-DATE-TIME:2026-01-01T00:00:00Z\n").repeated(25000) +
               QStringLiteral("#EXTINF:#EXTINF:3.0,\nx\n")
        << false
        << segment(six, 376, 0, v) + segment(six, 376, 376, v) + segment(six, 376, 752, v) +
               segment(QStringLiteral("3.000"), 188, 1128, v);
}

void TestPlaylistGenerator::nominalFromBoxPlaylist()
{
    QFETCH(QString, boxPlaylist);
    QFETCH(bool, blob);
    QFETCH(QStringList, body);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    Folder f(tmp.filePath(QStringLiteral("rec")));
    f.useTimestamplessMedia(7);
    f.dbSpec.flows[0].playlist = boxPlaylist;
    f.dbSpec.playlistAsBlob = blob;
    QCOMPARE(f.write(), QString());
    const int segments = int(body.size() / 3);
    QTest::ignoreMessage(
        QtWarningMsg, qPrintable(nominalWarning(QStringLiteral("video1.ts"), segments, segments)));
    QTest::ignoreMessage(
        QtWarningMsg, qPrintable(nominalWarning(QStringLiteral("audio1.ts"), segments, segments)));
    const Gen::Result r = Gen::generatePlaylists(f.dir);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(f.text("video.m3u8"), playlist(6, body));
}

void TestPlaylistGenerator::neverWritesThroughLinks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("planted"); // link, dangling link or directory
    QTest::addColumn<QString>("error");   // %1: the planted path, %2: the database

    const QString refused = QStringLiteral(
        "refusing to write %1: a symbolic link or something other than a regular file is in "
        "its place");
    const QString link = QStringLiteral("link");
    QTest::newRow("video playlist") << QStringLiteral("video.m3u8") << link << refused;
    QTest::newRow("audio playlist") << QStringLiteral("audio1.m3u8") << link << refused;
    QTest::newRow("master playlist") << QStringLiteral("master.m3u8") << link << refused;
    QTest::newRow("init segment") << QStringLiteral("video_1_init.mp4") << link << refused;
    QTest::newRow("dangling link at the master")
        << QStringLiteral("master.m3u8") << QStringLiteral("dangling") << refused;
    QTest::newRow("directory at the master")
        << QStringLiteral("master.m3u8") << QStringLiteral("directory") << refused;
    QTest::newRow("shared-memory file of the database")
        << QStringLiteral("sv_metadata.db-shm") << link
        << QStringLiteral("open %2: its companion file %1 is a symbolic link");
}

void TestPlaylistGenerator::neverWritesThroughLinks()
{
    QFETCH(QString, name);
    QFETCH(QString, planted);
    QFETCH(QString, error);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    Folder f(tmp.filePath(QStringLiteral("rec")));
    f.dbSpec.flows[0].init = QByteArray("\0\0\0\x08"
                                        "ftyp",
                                        8);
    QCOMPARE(f.write(), QString());
    const QString victim = tmp.filePath(QStringLiteral("victim"));
    const QString at = f.dir + QLatin1Char('/') + name;
    if (planted == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(at));
    } else {
        if (planted == QLatin1String("link"))
            QVERIFY(fixtures::writeFile(victim, "precious"));
        QVERIFY(QFile::link(victim, at));
    }

    const Gen::Result r = Gen::generatePlaylists(f.dir);
    QVERIFY(!r.ok);
    QCOMPARE(r.error,
             QString(error)
                 .replace(QStringLiteral("%1"), at)
                 .replace(QStringLiteral("%2"), f.dir + QStringLiteral("/sv_metadata.db")));
    if (planted == QLatin1String("link"))
        QCOMPARE(fixtures::readFile(victim), QByteArray("precious"));
    else
        QVERIFY(!QFile::exists(victim));
    QVERIFY(!f.has("master.m3u8") || name == QLatin1String("master.m3u8"));
}

void TestPlaylistGenerator::leavesWriteAheadLogAlone()
{
    // A scan or a generation must not fold a log that another program left behind into the
    // user's file.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    Folder f(tmp.filePath(QStringLiteral("rec")));
    QCOMPARE(f.write(), QString());
    QCOMPARE(fixtures::leaveWriteAheadLog(f.dir), QString());
    const QString db = f.dir + QStringLiteral("/sv_metadata.db");
    const QByteArray main = fixtures::readFile(db);
    const QByteArray log = fixtures::readFile(db + QStringLiteral("-wal"));
    const Gen::Result r = Gen::generatePlaylists(f.dir);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(fixtures::readFile(db), main);
    QCOMPARE(fixtures::readFile(db + QStringLiteral("-wal")), log);
}

void TestPlaylistGenerator::generatesPastAnInterruptedWrite()
{
    // A position write that was killed left a hot journal: generation reads what was committed.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    Folder f(tmp.filePath(QStringLiteral("rec")));
    QCOMPARE(f.write(), QString());
    QCOMPARE(fixtures::leaveHotJournal(f.dir, QStringLiteral("DELETE FROM flow")), QString());
    const QString db = f.dir + QStringLiteral("/sv_metadata.db");
    const QByteArray main = fixtures::readFile(db);
    const Gen::Result r = Gen::generatePlaylists(f.dir);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(f.has("master.m3u8"));
    QCOMPARE(fixtures::readFile(db), main);
    QVERIFY(QFile::exists(db + QStringLiteral("-journal")));
}

void TestPlaylistGenerator::rerunAfterFailure()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    Folder f(tmp.filePath(QStringLiteral("rec")));
    f.dbSpec.flows.append(flow("audio", 2, f.offsets));
    QCOMPARE(f.write(), QString());
    QVERIFY(!Gen::generatePlaylists(f.dir).ok);
    QVERIFY(f.has("video.m3u8"));
    QVERIFY(!f.has("master.m3u8"));

    // The missing file shows up; the next run completes and replaces the partial files.
    QVERIFY(fixtures::writeFile(f.dir + QStringLiteral("/audio2.ts"), f.media));
    QVERIFY(fixtures::writeFile(f.dir + QStringLiteral("/video.m3u8"), "stale"));
    const Gen::Result r = Gen::generatePlaylists(f.dir);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(fixtures::readFile(f.dir + QStringLiteral("/video.m3u8")).startsWith("#EXTM3U"));
    QCOMPARE(QString::fromUtf8(fixtures::readFile(f.dir + QStringLiteral("/master.m3u8"))),
             kMasterAvcTracks12);
    // Nothing but the playlists was added to the folder.
    QStringList names = QDir(f.dir).entryList(QDir::Files, QDir::Name);
    QCOMPARE(names, (QStringList{QStringLiteral("audio1.m3u8"), QStringLiteral("audio1.ts"),
                                 QStringLiteral("audio2.m3u8"), QStringLiteral("audio2.ts"),
                                 QStringLiteral("master.m3u8"), QStringLiteral("sv_metadata.db"),
                                 QStringLiteral("video.m3u8"), QStringLiteral("video1.ts")}));
}

void TestPlaylistGenerator::generatorObject()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    Folder good(tmp.filePath(QStringLiteral("good")));
    QCOMPARE(good.write(), QString());
    const QString other = tmp.filePath(QStringLiteral("other"));

    PlaylistGenerator gen;
    QVERIFY(!gen.busy());
    QStringList events;
    QList<bool> busyAtFinish;
    connect(&gen, &PlaylistGenerator::started, this,
            [&](const QString &p) { events << QStringLiteral("started ") + p; });
    connect(&gen, &PlaylistGenerator::busyChanged, this,
            [&] { events << QStringLiteral("busy %1").arg(gen.busy()); });
    connect(&gen, &PlaylistGenerator::finished, this,
            [&](bool ok, const QString &p, const QString &e) {
                busyAtFinish << gen.busy();
                events << QStringLiteral("finished %1 %2 %3").arg(ok).arg(p, e);
            });

    gen.generate(good.dir);
    QVERIFY(gen.busy());
    // A second request while running is dropped, with the warning only.
    QTest::ignoreMessage(
        QtWarningMsg,
        qPrintable(QStringLiteral("PlaylistGenerator: generate( \"%1\" ) ignored — already running")
                       .arg(other)));
    gen.generate(other);
    QTRY_VERIFY(!gen.busy());
    QTest::qWait(50);
    QCOMPARE(events, (QStringList{QStringLiteral("started ") + good.dir, QStringLiteral("busy 1"),
                                  QStringLiteral("finished 1 %1 ").arg(good.dir),
                                  QStringLiteral("busy 0")}));
    QCOMPARE(busyAtFinish, QList<bool>{false});
    QVERIFY(good.has("master.m3u8"));

    // A failing run reports its text once.
    events.clear();
    gen.generate(other);
    QTRY_COMPARE(events.size(), 4);
    QCOMPARE(events.at(2), QStringLiteral("finished 0 %1 no video1 file in %1").arg(other));
}

QTEST_GUILESS_MAIN(TestPlaylistGenerator)
#include "tst_playlistgenerator.moc"
