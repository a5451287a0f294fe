// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "recordingmaker.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <QtEndian>

#include <cmath>

using mkrec::RecordingOptions;
using mkrec::Variant;

namespace {

struct FlowRecord
{
    QString type;
    int track = 0;
    QByteArray range;
    QByteArray init;
    bool initNull = true;
    QString playlist;
};

struct DbContents
{
    QStringList tables;
    QByteArray info;
    QByteArray state;
    bool hasStateRow = false;
    QList<FlowRecord> flows;
};

DbContents readDb(const QString &path)
{
    DbContents c;
    const QString conn =
        QStringLiteral("tst-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            c.tables = db.tables();
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT Json FROM info WHERE ID=1")) && q.next())
                c.info = q.value(0).toByteArray();
            if (q.exec(QStringLiteral("SELECT Json FROM state WHERE ID=1")) && q.next()) {
                c.hasStateRow = true;
                c.state = q.value(0).toByteArray();
            }
            if (q.exec(QStringLiteral("SELECT Type, Track, Range, Init, Playlist FROM flow ORDER "
                                      "BY Type DESC, Track"))) {
                while (q.next()) {
                    FlowRecord r;
                    r.type = q.value(0).toString();
                    r.track = q.value(1).toInt();
                    r.range = q.value(2).toByteArray();
                    r.initNull = q.value(3).isNull();
                    r.init = q.value(3).toByteArray();
                    r.playlist = q.value(4).toString();
                    c.flows.append(r);
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(conn);
    return c;
}

QList<qint64> unpack(const QByteArray &blob)
{
    QList<qint64> out;
    for (int i = 0; i + 8 <= blob.size(); i += 8)
        out.append(qFromLittleEndian<qint64>(blob.constData() + i));
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// True when the transport-stream packet at pos carries a PCR in its adaptation field.
bool hasPcr(const QByteArray &d, qint64 pos)
{
    const auto b = [&](qint64 i) { return quint8(d.at(pos + i)); };
    return ((b(3) & 0x30) == 0x20 || (b(3) & 0x30) == 0x30) && b(4) > 0 && (b(5) & 0x10);
}

RecordingOptions smallOptions(const QString &folder)
{
    RecordingOptions o;
    o.folder = folder;
    o.durationSeconds = 7.0;
    o.fragmentSeconds = 2.0;
    o.width = 160;
    o.height = 90;
    return o;
}

} // namespace

class TestRecordingMaker : public QObject
{
    Q_OBJECT

private slots:
    void rangesPackLittleEndian();
    void makesFolder_data();
    void makesFolder();
    void sameOptionsGiveSameBytes();
    void rejectsBadOptions_data();
    void rejectsBadOptions();
    void commandLine();
};

void TestRecordingMaker::rangesPackLittleEndian()
{
    const QByteArray blob = mkrec::packRanges({0, 0x0102030405060708LL, -2});
    QCOMPARE(blob.size(), 24);
    QCOMPARE(blob.mid(8, 8), QByteArray::fromHex("0807060504030201"));
    QCOMPARE(blob.mid(16, 8), QByteArray::fromHex("feffffffffffffff"));
}

void TestRecordingMaker::makesFolder_data()
{
    QTest::addColumn<Variant>("variant");
    QTest::addColumn<bool>("extensions");
    QTest::addColumn<int>("audioTracks");
    QTest::addColumn<int>("fpsNum");
    QTest::addColumn<int>("fpsDen");
    QTest::addColumn<double>("fragment");
    QTest::addColumn<QString>("nominalText");
    QTest::addColumn<int>("fragments");

    // 7 s at 29.97 fps is 210 frames: 60-frame fragments give 4 (3 full, 1 partial).
    QTest::newRow("ts, 1 audio") << Variant::MpegTs << true << 1 << 30000 << 1001 << 2.0
                                 << QStringLiteral("2.002") << 4;
    QTest::newRow("ts, no extension, 2 audio")
        << Variant::MpegTs << false << 2 << 30000 << 1001 << 2.0 << QStringLiteral("2.002") << 4;
    QTest::newRow("ts, 25 fps, 1 s fragments, no audio")
        << Variant::MpegTs << true << 0 << 25 << 1 << 1.0 << QStringLiteral("1.000") << 7;
    QTest::newRow("fmp4, 1 audio") << Variant::FragmentedMp4 << true << 1 << 30000 << 1001 << 2.0
                                   << QStringLiteral("2.002") << 4;
    QTest::newRow("fmp4, no extension, 2 audio")
        << Variant::FragmentedMp4 << false << 2 << 25 << 1 << 3.0 << QStringLiteral("3.000") << 3;
}

void TestRecordingMaker::makesFolder()
{
    QFETCH(Variant, variant);
    QFETCH(bool, extensions);
    QFETCH(int, audioTracks);
    QFETCH(int, fpsNum);
    QFETCH(int, fpsDen);
    QFETCH(double, fragment);
    QFETCH(QString, nominalText);
    QFETCH(int, fragments);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    RecordingOptions o = smallOptions(tmp.filePath(QStringLiteral("rec")));
    o.variant = variant;
    o.mediaExtensions = extensions;
    o.audioTracks = audioTracks;
    o.frameRateNum = fpsNum;
    o.frameRateDen = fpsDen;
    o.fragmentSeconds = fragment;
    o.name = QStringLiteral("Evening News");
    o.title = QStringLiteral("Late edition");
    o.season = QStringLiteral("3");
    o.episode = QStringLiteral("E07");
    o.channelId = QStringLiteral("3000000000007005");
    o.startTime = QStringLiteral("2023-11-14T22:13:20Z");
    o.statePosition = 42;
    o.stateNumSeconds = 7;
    o.poster = true;
    QCOMPARE(mkrec::makeRecording(o), QString());

    const bool ts = variant == Variant::MpegTs;
    const QString ext = !extensions ? QString()
                        : ts        ? QStringLiteral(".ts")
                                    : QStringLiteral(".mp4");
    QDir dir(o.folder);
    QStringList expected{QStringLiteral("poster.png"), QStringLiteral("sv_metadata.db"),
                         QStringLiteral("video1") + ext};
    for (int t = 1; t <= audioTracks; ++t)
        expected.append(QStringLiteral("audio%1").arg(t) + ext);
    expected.sort();
    QCOMPARE(dir.entryList(QDir::Files, QDir::Name), expected);
    QVERIFY(fileBytes(dir.filePath(QStringLiteral("poster.png"))).startsWith("\x89PNG\r\n\x1a\n"));

    const DbContents db = readDb(dir.filePath(QStringLiteral("sv_metadata.db")));
    for (const char *t : {"info", "state", "flow"})
        QVERIFY2(db.tables.contains(QLatin1String(t)), t);

    const QJsonObject info = QJsonDocument::fromJson(db.info).object();
    const QJsonObject program = info.value(QStringLiteral("program")).toObject();
    QCOMPARE(program.value(QStringLiteral("name")).toString(), o.name);
    QCOMPARE(program.value(QStringLiteral("title")).toString(), o.title);
    QCOMPARE(program.value(QStringLiteral("season_num")).toInt(), 3); // a number
    QCOMPARE(program.value(QStringLiteral("episode_num")).toString(), QStringLiteral("E07"));
    QCOMPARE(program.value(QStringLiteral("start_time")).toString(), o.startTime);
    QCOMPARE(program.value(QStringLiteral("duration")).toInt(), 7);
    QCOMPARE(
        info.value(QStringLiteral("channel")).toObject().value(QStringLiteral("id")).toString(),
        o.channelId);
    QVERIFY(db.hasStateRow);
    QCOMPARE(QJsonDocument::fromJson(db.state).object(),
             (QJsonObject{{QStringLiteral("position"), 42}, {QStringLiteral("num_seconds"), 7}}));

    QCOMPARE(db.flows.size(), 1 + audioTracks);
    QCOMPARE(db.flows.first().type, QStringLiteral("video"));
    QCOMPARE(db.flows.first().track, 1);
    QVERIFY(db.flows.first().playlist.contains(QStringLiteral("#EXTINF:") + nominalText +
                                               QLatin1Char(',')));
    for (int i = 0; i < db.flows.size(); ++i) {
        const FlowRecord &row = db.flows.at(i);
        const bool isVideo = i == 0;
        if (!isVideo) {
            QCOMPARE(row.type, QStringLiteral("audio"));
            QCOMPARE(row.track, i);
        }
        const QString file = isVideo ? QStringLiteral("video1") + ext
                                     : QStringLiteral("audio%1").arg(row.track) + ext;
        const QByteArray media = fileBytes(dir.filePath(file));
        QVERIFY(!media.isEmpty());
        QCOMPARE(row.range.size() % 8, 0);
        const QList<qint64> ranges = unpack(row.range);
        if (isVideo)
            QCOMPARE(ranges.size(), fragments);
        else
            QVERIFY2(std::abs(ranges.size() - fragments) <= 1, qPrintable(file));
        QCOMPARE(ranges.first(), 0);
        for (int k = 0; k < ranges.size(); ++k) {
            const qint64 off = ranges.at(k);
            const qint64 end = k + 1 < ranges.size() ? ranges.at(k + 1) : media.size();
            QVERIFY2(off < end, qPrintable(QStringLiteral("%1 fragment %2").arg(file).arg(k)));
            if (ts) {
                QCOMPARE((end - off) % 188, 0);
                QCOMPARE(quint8(media.at(off)), quint8(0x47));
                QCOMPARE(quint8(media.at(off + 188)), quint8(0x47));
                bool pcr = false;
                for (qint64 p = off; p < end && !pcr; p += 188)
                    pcr = hasPcr(media, p);
                if (isVideo)
                    QVERIFY2(pcr, qPrintable(QStringLiteral("no PCR in fragment %1").arg(k)));
            } else {
                QCOMPARE(media.mid(off + 4, 4), QByteArray("moof"));
            }
        }
        if (ts) {
            QVERIFY(row.initNull || row.init.isEmpty());
        } else {
            // ftyp then moov, and nothing of the media file repeated in it.
            QCOMPARE(row.init.mid(4, 4), QByteArray("ftyp"));
            QVERIFY(row.init.contains("moov"));
            QVERIFY(!row.init.contains("moof"));
        }
    }
}

void TestRecordingMaker::sameOptionsGiveSameBytes()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QByteArray digest[2];
    for (int run = 0; run < 2; ++run) {
        RecordingOptions o = smallOptions(tmp.filePath(QStringLiteral("r%1").arg(run)));
        o.variant = Variant::FragmentedMp4;
        o.sarNum = 4;
        o.sarDen = 3;
        QCOMPARE(mkrec::makeRecording(o), QString());
        QCryptographicHash h(QCryptographicHash::Sha256);
        for (const char *f : {"video1.mp4", "audio1.mp4"})
            h.addData(fileBytes(QDir(o.folder).filePath(QLatin1String(f))));
        for (const FlowRecord &r :
             readDb(QDir(o.folder).filePath(QStringLiteral("sv_metadata.db"))).flows)
            h.addData(QByteArray(r.range + r.init + r.playlist.toUtf8()));
        digest[run] = h.result();
    }
    QCOMPARE(digest[0], digest[1]);
}

void TestRecordingMaker::rejectsBadOptions_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("odd width") << QStringLiteral("width");
    QTest::newRow("zero duration") << QStringLiteral("duration");
    QTest::newRow("negative fragment") << QStringLiteral("fragment");
    QTest::newRow("too many audio tracks") << QStringLiteral("audio");
    QTest::newRow("missing ffmpeg") << QStringLiteral("ffmpeg");
}

void TestRecordingMaker::rejectsBadOptions()
{
    QFETCH(QString, field);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    RecordingOptions o = smallOptions(tmp.filePath(QStringLiteral("rec")));
    if (field == QLatin1String("width"))
        o.width = 161;
    else if (field == QLatin1String("duration"))
        o.durationSeconds = 0;
    else if (field == QLatin1String("fragment"))
        o.fragmentSeconds = -1;
    else if (field == QLatin1String("audio"))
        o.audioTracks = 9;
    else
        o.ffmpeg = tmp.filePath(QStringLiteral("no-such-ffmpeg"));
    QVERIFY(!mkrec::makeRecording(o).isEmpty());
    QVERIFY(!QFile::exists(QDir(o.folder).filePath(QStringLiteral("sv_metadata.db"))));
}

void TestRecordingMaker::commandLine()
{
    QProcess help;
    help.start(QStringLiteral(MKRECORDING_BIN), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(30000));
    QCOMPARE(help.exitCode(), 0);
    const QString text = QString::fromLocal8Bit(help.readAllStandardOutput());
    for (const char *opt :
         {"--variant", "--duration", "--fragment", "--size", "--fps", "--sar", "--audio-tracks",
          "--name", "--title", "--season", "--episode", "--description", "--channel-id",
          "--start-time", "--position", "--num-seconds", "--poster"})
        QVERIFY2(text.contains(QLatin1String(opt)), opt);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("cli"));
    QProcess make;
    make.start(QStringLiteral(MKRECORDING_BIN),
               {QStringLiteral("--variant"), QStringLiteral("fmp4"), QStringLiteral("--duration"),
                QStringLiteral("3"), QStringLiteral("--size"), QStringLiteral("160x90"),
                QStringLiteral("--audio-tracks"), QStringLiteral("0"), QStringLiteral("--no-state"),
                QStringLiteral("--name"), QStringLiteral("Cli"), folder});
    QVERIFY(make.waitForFinished(60000));
    QCOMPARE(make.exitCode(), 0);
    const DbContents db = readDb(QDir(folder).filePath(QStringLiteral("sv_metadata.db")));
    QVERIFY(!db.hasStateRow);
    QCOMPARE(db.flows.size(), 1);
    QVERIFY(!db.flows.first().init.isEmpty());
    QCOMPARE(QJsonDocument::fromJson(db.info)
                 .object()
                 .value(QStringLiteral("program"))
                 .toObject()
                 .value(QStringLiteral("name"))
                 .toString(),
             QStringLiteral("Cli"));

    QProcess bad;
    bad.start(QStringLiteral(MKRECORDING_BIN),
              {QStringLiteral("--variant"), QStringLiteral("avi"), folder});
    QVERIFY(bad.waitForFinished(30000));
    QVERIFY(bad.exitCode() != 0);
}

QTEST_GUILESS_MAIN(TestRecordingMaker)
#include "tst_recordingmaker.moc"
