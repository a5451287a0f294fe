// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The stand-in box as a whole, on loopback with real sockets and real recording folders: the
// list, playback sessions with their HTTP side (master, media playlists, init segments, media
// bytes with exact Range answers), positions, downloads in chunks to the end, the journal, and
// the test switches the client's tests lean on.
#include "boxsimprocess.h"

#include <recordingmaker.h>
#include <svptransport.h>

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString kBoxAddress = QStringLiteral("127.0.0.3");
const QByteArray kClientId = QByteArray("6e6f74616e76").append(4, '\0');
constexpr int kTimeoutMs = 5000;

struct HttpAnswer
{
    int status = 0; // 0: no answer
    QByteArray body;
    QByteArray contentRange;
    QString error;
};

// One GET, waiting for the answer in a local event loop.
HttpAnswer httpGet(const QString &url, const QByteArray &range = QByteArray(),
                   int timeoutMs = kTimeoutMs)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    if (!range.isEmpty())
        request.setRawHeader("Range", range);
    QNetworkReply *reply = manager.get(request);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    loop.exec();
    HttpAnswer answer;
    if (!reply->isFinished()) {
        reply->abort();
        answer.error = QStringLiteral("timed out");
        return answer;
    }
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->readAll();
    answer.contentRange = reply->rawHeader("Content-Range");
    answer.error = reply->errorString();
    return answer;
}

// The raw response bytes of one TCP request, up to the box's close.
QByteArray rawExchange(quint16 port, const SvpHeader &header, const QByteArray &payload = {})
{
    SvpHeader h = header;
    QByteArray out;
    if (!payload.isEmpty()) {
        h.payloadLength = h.wireLength = quint32(payload.size() + 1);
        out = payload + '\0';
    }
    QTcpSocket socket;
    socket.connectToHost(kBoxAddress, port);
    if (!socket.waitForConnected(kTimeoutMs))
        return {};
    socket.write(h.pack() + out);
    QByteArray in;
    while (socket.waitForReadyRead(kTimeoutMs))
        in += socket.readAll();
    return in + socket.readAll();
}

SvpResponse request(quint16 port, quint16 api, quint32 arg0 = 0, quint32 arg1 = 0, quint32 arg2 = 0,
                    const QByteArray &payload = {}, int timeoutMs = kTimeoutMs)
{
    return svpRequestTcp(kBoxAddress, port, SvpHeader(api, kClientId, arg0, arg1, arg2, 0, 1),
                         payload, timeoutMs);
}

QByteArray downloadPiece(const QString &path, qint64 offset, qint64 length)
{
    QJsonObject o;
    o.insert(QStringLiteral("path"), path);
    o.insert(QStringLiteral("offset"), offset);
    o.insert(QStringLiteral("length"), length);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray randomBytes(qint64 size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(gen.bounded(256));
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QJsonArray recordingsOf(const QByteArray &payload)
{
    return QJsonDocument::fromJson(payload).object().value(QStringLiteral("recordings")).toArray();
}

} // namespace

class TestBoxSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void helpDocumentsTheSwitches();
    void listsTheStorage_data();
    void listsTheStorage();
    void playbackSession();
    void mediaRanges_data();
    void mediaRanges();
    void initSegmentsAndPosters();
    void refusedStarts_data();
    void refusedStarts();
    void positionsComeBackInTheList();
    void downloadsInChunks_data();
    void downloadsInChunks();
    void downloadRefusals_data();
    void downloadRefusals();
    void faultSwitches_data();
    void faultSwitches();
    void masterFaults_data();
    void masterFaults();

private:
    std::unique_ptr<BoxSimProcess> startBox(const QStringList &extra = {});
    QString journalPath() const { return m_dir.filePath(QStringLiteral("journal.txt")); }

    QTemporaryDir m_dir;
    QString m_storage;
    QByteArray m_fakeVideo;
    QByteArray m_fakeInit = QByteArrayLiteral("\0\0\0\x18"
                                              "ftypiso6-init-segment");
};

std::unique_ptr<BoxSimProcess> TestBoxSim::startBox(const QStringList &extra)
{
    QFile::remove(journalPath());
    auto box = std::make_unique<BoxSimProcess>(
        QStringList{QStringLiteral("--address"), kBoxAddress, QStringLiteral("--svp-port"),
                    QStringLiteral("0"), QStringLiteral("--http-port"), QStringLiteral("0"),
                    QStringLiteral("--no-discovery"), QStringLiteral("--no-keys"),
                    QStringLiteral("--storage"), m_storage, QStringLiteral("--journal"),
                    journalPath()} +
        extra);
    QString error;
    if (!box->start(&error)) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    return box;
}

void TestBoxSim::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_storage = m_dir.filePath(QStringLiteral("store"));

    // A real recording, as the box writes one: MPEG-TS, one audio track, a poster, a position.
    mkrec::RecordingOptions real;
    real.folder = m_storage + QStringLiteral("/rec_a");
    real.durationSeconds = 6;
    real.name = QStringLiteral("Alpha News");
    real.channelId = QStringLiteral("1000000000002001");
    real.startTime = QStringLiteral("1700000000");
    real.statePosition = 42;
    real.poster = true;
    const QString made = mkrec::makeRecording(real);
    QVERIFY2(made.isEmpty(), qPrintable(made));

    // A second one with made-up fragmented media: init segments, two audio tracks and a video
    // file large enough for several download chunks.
    const QString b = m_storage + QStringLiteral("/rec_b");
    QVERIFY(QDir().mkpath(b));
    m_fakeVideo = randomBytes(3 * 1024 * 1024 + 12345, 1);
    QVERIFY(writeFile(b + QStringLiteral("/video1.mp4"), m_fakeVideo));
    QVERIFY(writeFile(b + QStringLiteral("/audio1.mp4"), randomBytes(70000, 2)));
    QVERIFY(writeFile(b + QStringLiteral("/audio2.mp4"), randomBytes(50000, 3)));
    mkrec::RecordingOptions fake;
    fake.name = QStringLiteral("Beta Film");
    fake.channelId = QStringLiteral("3000000000007005");
    fake.stateNumSeconds = 30;
    const QJsonObject state = mkrec::stateObject(fake);
    const QList<mkrec::FlowRow> flows{
        {QStringLiteral("video"),
         1,
         {0, 1048576, 2097152},
         m_fakeInit,
         QStringLiteral("#EXTINF:6.0,")},
        {QStringLiteral("audio"), 1, {0, 35000}, QByteArray("audio-init-1"), QString()},
        {QStringLiteral("audio"), 2, {0}, QByteArray("audio-init-2"), QString()},
    };
    const QString db = mkrec::writeMetadataDb(b + QStringLiteral("/sv_metadata.db"),
                                              mkrec::infoObject(fake), &state, flows);
    QVERIFY2(db.isEmpty(), qPrintable(db));

    // Not recordings: skipped, so they take no play id.
    QVERIFY(QDir().mkpath(m_storage + QStringLiteral("/empty_folder")));
    QVERIFY(writeFile(m_storage + QStringLiteral("/loose_file"), "x"));
}

void TestBoxSim::helpDocumentsTheSwitches()
{
    QProcess help;
    help.start(QStringLiteral(BOXSIM_PATH), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(10000));
    QCOMPARE(help.exitCode(), 0);
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    for (const char *word : {"--storage", "--http-port", "--chunk-bytes", "--wrong-size",
                             "--refuse", "--delay", "--silent", "--master-fault", "--journal",
                             "--start-url", "--list-file", "--instance", "boxsim: ready", "Range"})
        QVERIFY2(text.contains(QLatin1String(word)), word);
}

void TestBoxSim::listsTheStorage_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<bool>("compressed");
    QTest::newRow("plain") << QStringList() << false;
    QTest::newRow("compressed") << QStringList{QStringLiteral("--compress")} << true;
}

void TestBoxSim::listsTheStorage()
{
    QFETCH(QStringList, extra);
    QFETCH(bool, compressed);
    auto box = startBox(extra);
    QVERIFY(box);

    const SvpResponse r = request(box->svpPort(), SVP_API_DVR_LIST_PLAY, 1);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(r.arg0, 0u);
    QCOMPARE(r.arg1, 7u); // the instance
    const QJsonArray rows = recordingsOf(r.payload);
    QCOMPARE(rows.size(), 2);
    const QJsonObject a = rows[0].toObject();
    const QJsonObject b = rows[1].toObject();
    QCOMPARE(a.value(QStringLiteral("play_id")).toInt(), 1); // 0 means "no session"
    QCOMPARE(b.value(QStringLiteral("play_id")).toInt(), 2);
    QCOMPARE(a.value(QStringLiteral("name")).toString(), QStringLiteral("Alpha News"));
    QCOMPARE(a.value(QStringLiteral("position")).toInt(), 42);
    QCOMPARE(a.value(QStringLiteral("start_time")).toInteger(), 1700000000);
    QCOMPARE(a.value(QStringLiteral("protocol")).toString(), QStringLiteral("ATSC-1"));
    QCOMPARE(a.value(QStringLiteral("duration")).toInt(), 6);
    QVERIFY(a.value(QStringLiteral("drive_path")).toString().endsWith(QLatin1String("/rec_a")));
    QVERIFY(a.value(QStringLiteral("poster"))
                .toString()
                .startsWith(QStringLiteral("http://%1:%2/").arg(kBoxAddress).arg(box->httpPort())));
    QCOMPARE(b.value(QStringLiteral("protocol")).toString(), QStringLiteral("ATSC-3"));
    QCOMPARE(b.value(QStringLiteral("num_seconds")).toInt(), 30);
    QVERIFY(!b.contains(QStringLiteral("poster")));
    const qint64 bBytes = m_fakeVideo.size() + 70000 + 50000 +
                          QFileInfo(m_storage + QStringLiteral("/rec_b/sv_metadata.db")).size();
    QCOMPARE(b.value(QStringLiteral("num_bytes")).toInteger(), bBytes);

    // On the wire: the text and one zero byte, payloadLength counting both.
    const QByteArray raw =
        rawExchange(box->svpPort(), SvpHeader(SVP_API_DVR_LIST_PLAY, kClientId, 1));
    SvpHeader head;
    QVERIFY(SvpHeader::unpack(raw.left(SVP_HEADER_SIZE), head));
    QCOMPARE(head.payloadLength, quint32(r.payload.size() + 1));
    QCOMPARE(qsizetype(head.wireLength), raw.size() - SVP_HEADER_SIZE);
    QCOMPARE(bool(head.flags & SVP_FLAG_COMPRESSED), compressed);
    const QByteArray text = compressed ? svpInflate(raw.mid(SVP_HEADER_SIZE), head.payloadLength)
                                       : raw.mid(SVP_HEADER_SIZE);
    QCOMPARE(text, r.payload + '\0');
}

void TestBoxSim::playbackSession()
{
    auto box = startBox();
    QVERIFY(box);
    const SvpResponse started = request(box->svpPort(), SVP_API_DVR_START, 1, 0, 7);
    QVERIFY2(started.error.isEmpty(), qPrintable(started.error));
    QCOMPARE(started.arg0, 0u);
    const QString url =
        QJsonDocument::fromJson(started.payload).object().value(QStringLiteral("url")).toString();
    QCOMPARE(url,
             QStringLiteral("http://%1:%2/s/1/master.m3u8").arg(kBoxAddress).arg(box->httpPort()));

    // A second start is a session of its own.
    const SvpResponse again = request(box->svpPort(), SVP_API_DVR_START, 2, 0, 7);
    QVERIFY(QJsonDocument::fromJson(again.payload)
                .object()
                .value(QStringLiteral("url"))
                .toString()
                .endsWith(QLatin1String("/s/2/master.m3u8")));

    const HttpAnswer master = httpGet(url);
    QCOMPARE(master.status, 200);
    const QString masterText = QString::fromUtf8(master.body);
    QVERIFY2(masterText.contains(QLatin1String("#EXT-X-STREAM-INF:")), qPrintable(masterText));
    QVERIFY(masterText.contains(
        QLatin1String(R"(#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID="audio",NAME="Track 1")")));
    QVERIFY(masterText.contains(QLatin1String("\nvideo.m3u8\n")));

    const HttpAnswer video =
        httpGet(url.section(QLatin1Char('/'), 0, -2) + QStringLiteral("/video.m3u8"));
    QCOMPARE(video.status, 200);
    QVERIFY(video.body.startsWith("#EXTM3U\n"));
    QVERIFY(video.body.contains("#EXT-X-BYTERANGE:"));
    QVERIFY(video.body.contains("\nvideo1.ts\n"));
    QVERIFY(video.body.endsWith("#EXT-X-ENDLIST"));
    QCOMPARE(httpGet(url.section(QLatin1Char('/'), 0, -2) + QStringLiteral("/audio1.m3u8")).status,
             200);
    // Names outside the presentation, and sessions never opened, are not served.
    for (const QString &path :
         {QStringLiteral("/s/1/sv_metadata.db"), QStringLiteral("/s/1/audio2.m3u8"),
          QStringLiteral("/s/9/master.m3u8"), QStringLiteral("/s/1/..%2Fsv_metadata.db"),
          QStringLiteral("/elsewhere")})
        QCOMPARE(
            httpGet(QStringLiteral("http://%1:%2").arg(kBoxAddress).arg(box->httpPort()) + path)
                .status,
            404);

    // What the box saw, in order.
    const auto journal = box->journal(journalPath());
    QVERIFY(journal.size() >= 4);
    QCOMPARE(journal[0].channel, QStringLiteral("tcp"));
    QCOMPARE(journal[0].api, QStringLiteral("DVR_START"));
    QCOMPARE(journal[0].args, (QList<quint32>{1, 0, 7, 0}));
    QCOMPARE(journal[0].status, QStringLiteral("0"));
    QCOMPARE(journal[2].channel, QStringLiteral("http"));
    QCOMPARE(journal[2].api, QStringLiteral("GET"));
    QCOMPARE(journal[2].path, QStringLiteral("/s/1/master.m3u8"));
    QCOMPARE(journal[2].status, QStringLiteral("200"));
}

void TestBoxSim::mediaRanges_data()
{
    QTest::addColumn<QByteArray>("range");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("first"); // of the expected bytes; -1: none
    QTest::addColumn<qint64>("last");

    const qint64 end = 3 * 1024 * 1024 + 12345 - 1;
    QTest::newRow("whole file") << QByteArray() << 200 << 0ll << end;
    QTest::newRow("first byte") << QByteArray("bytes=0-0") << 206 << 0ll << 0ll;
    QTest::newRow("one fragment, end inclusive")
        << QByteArray("bytes=1048576-2097151") << 206 << 1048576ll << 2097151ll;
    QTest::newRow("last byte") << QByteArray("bytes=%1-%1").replace("%1", QByteArray::number(end))
                               << 206 << end << end;
    QTest::newRow("open end") << QByteArray("bytes=2097152-") << 206 << 2097152ll << end;
    QTest::newRow("end past the file")
        << QByteArray("bytes=3145000-99999999") << 206 << 3145000ll << end;
    QTest::newRow("suffix") << QByteArray("bytes=-100") << 206 << end - 99 << end;
    QTest::newRow("start at the size")
        << QByteArray("bytes=") + QByteArray::number(end + 1) + '-' << 416 << -1ll << -1ll;
    QTest::newRow("start past the size") << QByteArray("bytes=99999999-") << 416 << -1ll << -1ll;
}

void TestBoxSim::mediaRanges()
{
    QFETCH(QByteArray, range);
    QFETCH(int, status);
    QFETCH(qint64, first);
    QFETCH(qint64, last);
    auto box = startBox();
    QVERIFY(box);
    const SvpResponse started = request(box->svpPort(), SVP_API_DVR_START, 2, 0, 7);
    QCOMPARE(started.arg0, 0u);
    const QString base = QStringLiteral("http://%1:%2/s/1/").arg(kBoxAddress).arg(box->httpPort());

    const HttpAnswer answer = httpGet(base + QStringLiteral("video1.mp4"), range);
    QCOMPARE(answer.status, status);
    const qint64 size = m_fakeVideo.size();
    if (first >= 0) {
        QCOMPARE(answer.body.size(), last - first + 1);
        QVERIFY(answer.body == m_fakeVideo.mid(first, last - first + 1));
    }
    if (status == 206)
        QCOMPARE(answer.contentRange, QByteArrayLiteral("bytes ") + QByteArray::number(first) +
                                          '-' + QByteArray::number(last) + '/' +
                                          QByteArray::number(size));
    if (status == 416)
        QCOMPARE(answer.contentRange, QByteArrayLiteral("bytes */") + QByteArray::number(size));
    const auto journal = box->journal(journalPath());
    QVERIFY(!journal.isEmpty());
    QCOMPARE(journal.last().path, QStringLiteral("/s/1/video1.mp4"));
    QCOMPARE(journal.last().payload, range);
    QCOMPARE(journal.last().status, QString::number(status));
}

void TestBoxSim::initSegmentsAndPosters()
{
    auto box = startBox();
    QVERIFY(box);
    QCOMPARE(request(box->svpPort(), SVP_API_DVR_START, 2, 0, 7).arg0, 0u);
    const QString root = QStringLiteral("http://%1:%2").arg(kBoxAddress).arg(box->httpPort());

    const HttpAnswer master = httpGet(root + QStringLiteral("/s/1/master.m3u8"));
    QVERIFY(master.body.contains("hev1.")); // a video init segment: fragmented MP4
    QVERIFY(master.body.contains(R"(URI="audio2.m3u8")"));
    const HttpAnswer video = httpGet(root + QStringLiteral("/s/1/video.m3u8"));
    QVERIFY(video.body.contains(R"(#EXT-X-MAP:URI="video_1_init.mp4")"));
    QVERIFY2(video.body.contains("#EXT-X-BYTERANGE:1048576@1048576\nvideo1.mp4\n"),
             video.body.constData());
    QCOMPARE(httpGet(root + QStringLiteral("/s/1/video_1_init.mp4")).body, m_fakeInit);
    const HttpAnswer initRange =
        httpGet(root + QStringLiteral("/s/1/audio_2_init.mp4"), "bytes=6-");
    QCOMPARE(initRange.status, 206);
    QCOMPARE(initRange.body, QByteArray("init-2"));

    const HttpAnswer poster = httpGet(root + QStringLiteral("/poster/1"));
    QCOMPARE(poster.status, 200);
    QCOMPARE(poster.body, readFile(m_storage + QStringLiteral("/rec_a/poster.png")));
    QCOMPARE(httpGet(root + QStringLiteral("/poster/2")).status, 404); // rec_b has none
}

void TestBoxSim::refusedStarts_data()
{
    QTest::addColumn<quint32>("playId");
    QTest::addColumn<quint32>("instance");
    QTest::addColumn<quint32>("status");
    QTest::newRow("stale instance") << 1u << 6u << 17u;   // BAD_INSTANCE
    QTest::newRow("unknown recording") << 3u << 7u << 5u; // NOT_FOUND
    QTest::newRow("no session id") << 0u << 7u << 5u;
}

void TestBoxSim::refusedStarts()
{
    QFETCH(quint32, playId);
    QFETCH(quint32, instance);
    QFETCH(quint32, status);
    auto box = startBox();
    QVERIFY(box);
    const SvpResponse r = request(box->svpPort(), SVP_API_DVR_START, playId, 0, instance);
    QVERIFY(r.error.isEmpty());
    QCOMPARE(r.arg0, status);
    QVERIFY(r.payload.isEmpty());
}

void TestBoxSim::positionsComeBackInTheList()
{
    auto box = startBox();
    QVERIFY(box);
    const quint16 port = box->svpPort();
    QCOMPARE(request(port, SVP_API_DVR_START, 1, 0, 7).arg0, 0u);
    const SvpResponse udp =
        svpRequestUdp(kBoxAddress, port, SvpHeader(SVP_API_PLAY_POS, kClientId, 1, 77), 2000);
    QVERIFY2(udp.error.isEmpty(), qPrintable(udp.error));
    QCOMPARE(udp.arg0, 0u);
    QCOMPARE(recordingsOf(request(port, SVP_API_DVR_LIST_PLAY, 1).payload)[0]
                 .toObject()
                 .value(QStringLiteral("position"))
                 .toInt(),
             77);
    QCOMPARE(request(port, SVP_API_PLAY_POS, 2, 5).arg0, 0u); // over TCP too
    QCOMPARE(request(port, SVP_API_DVR_STOP, 1, 91).arg0, 0u);
    QCOMPARE(
        svpRequestUdp(kBoxAddress, port, SvpHeader(SVP_API_PLAY_POS, kClientId, 9, 1), 2000).arg0,
        5u); // no such recording
    const QJsonArray rows = recordingsOf(request(port, SVP_API_DVR_LIST_PLAY, 1).payload);
    QCOMPARE(rows[0].toObject().value(QStringLiteral("position")).toInt(), 91);
    QCOMPARE(rows[1].toObject().value(QStringLiteral("position")).toInt(), 5);

    QStringList seen;
    const auto journal = box->journal(journalPath());
    for (const auto &e : journal)
        seen << QStringLiteral("%1 %2 %3 %4")
                    .arg(e.channel, e.api)
                    .arg(e.args.value(0))
                    .arg(e.args.value(1));
    QCOMPARE(seen, (QStringList{
                       QStringLiteral("tcp DVR_START 1 0"), QStringLiteral("udp PLAY_POS 1 77"),
                       QStringLiteral("tcp DVR_LIST_PLAY 1 0"), QStringLiteral("tcp PLAY_POS 2 5"),
                       QStringLiteral("tcp DVR_STOP 1 91"), QStringLiteral("udp PLAY_POS 9 1"),
                       QStringLiteral("tcp DVR_LIST_PLAY 1 0")}));
}

void TestBoxSim::downloadsInChunks_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("ask");
    QTest::addColumn<qint64>("most"); // bytes in one answer at most
    QTest::addColumn<qint64>("sizeError");

    const qint64 mib = 1024 * 1024;
    QTest::newRow("as asked") << QStringList() << "rec_b/video1.mp4" << 4 * mib << 4 * mib << 0ll;
    QTest::newRow("1 MiB cap") << QStringList{QStringLiteral("--chunk-bytes"),
                                              QStringLiteral("1048576")}
                               << "rec_b/video1.mp4" << 4 * mib << mib << 0ll;
    QTest::newRow("small chunks, odd size")
        << QStringList() << "rec_b/audio1.mp4" << 7000ll << 7000ll << 0ll;
    QTest::newRow("compressed") << QStringList{QStringLiteral("--compress")} << "rec_b/audio2.mp4"
                                << 4 * mib << 4 * mib << 0ll;
    QTest::newRow("wrong size for this file")
        << QStringList{QStringLiteral("--wrong-size"), QStringLiteral("video1.mp4")}
        << "rec_b/video1.mp4" << 4 * mib << 4 * mib << 1ll;
    QTest::newRow("wrong size for another file")
        << QStringList{QStringLiteral("--wrong-size"), QStringLiteral("video1.mp4")}
        << "rec_b/audio1.mp4" << 4 * mib << 4 * mib << 0ll;
}

void TestBoxSim::downloadsInChunks()
{
    QFETCH(QStringList, extra);
    QFETCH(QString, file);
    QFETCH(qint64, ask);
    QFETCH(qint64, most);
    QFETCH(qint64, sizeError);
    auto box = startBox(extra);
    QVERIFY(box);
    const QByteArray want = readFile(m_storage + QLatin1Char('/') + file);
    QVERIFY(!want.isEmpty());

    QByteArray got;
    int answers = 0;
    for (;;) {
        const SvpResponse r = request(box->svpPort(), SVP_API_FILE_DOWNLOAD, 0, 0, 0,
                                      downloadPiece(file, got.size(), ask), 30000);
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        QCOMPARE(r.arg0, 0u);
        QCOMPARE(qint64(r.arg1), want.size() + sizeError);
        ++answers;
        QVERIFY(answers < 2000);
        if (r.payload.isEmpty())
            break;
        QVERIFY(r.payload.size() <= most);
        got += r.payload;
    }
    QVERIFY(got == want);
    QCOMPARE(answers, int((want.size() + most - 1) / most) + 1);

    // The end, asked again past it, stays empty.
    const SvpResponse past = request(box->svpPort(), SVP_API_FILE_DOWNLOAD, 0, 0, 0,
                                     downloadPiece(file, want.size() + 100, ask));
    QCOMPARE(past.arg0, 0u);
    QVERIFY(past.payload.isEmpty());

    // File bytes are framed like text: payloadLength counts one zero byte after them.
    const QByteArray raw = rawExchange(box->svpPort(), SvpHeader(SVP_API_FILE_DOWNLOAD, kClientId),
                                       downloadPiece(file, 0, 1000));
    SvpHeader head;
    QVERIFY(SvpHeader::unpack(raw.left(SVP_HEADER_SIZE), head));
    QCOMPARE(head.payloadLength, 1001u);
    const QByteArray wire = raw.mid(SVP_HEADER_SIZE);
    QCOMPARE(qsizetype(head.wireLength), wire.size());
    const QByteArray text = (head.flags & SVP_FLAG_COMPRESSED) ? svpInflate(wire, 1001) : wire;
    QCOMPARE(text, want.left(1000) + '\0');
}

void TestBoxSim::downloadRefusals_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<quint32>("status");
    QTest::newRow("missing file") << downloadPiece(QStringLiteral("rec_b/audio3.mp4"), 0, 10) << 5u;
    QTest::newRow("out of the storage")
        << downloadPiece(QStringLiteral("../journal.txt"), 0, 10) << 5u;
    QTest::newRow("absolute") << downloadPiece(m_storage + QStringLiteral("/rec_b/audio1.mp4"), 0,
                                               10)
                              << 5u;
    QTest::newRow("a folder") << downloadPiece(QStringLiteral("rec_b"), 0, 10) << 5u;
    QTest::newRow("not JSON") << QByteArray("path=rec_b/audio1.mp4") << 14u;
    QTest::newRow("no path") << QByteArray(R"({"offset":0,"length":10})") << 14u;
    QTest::newRow("negative offset")
        << downloadPiece(QStringLiteral("rec_b/audio1.mp4"), -1, 10) << 14u;
    QTest::newRow("zero length") << downloadPiece(QStringLiteral("rec_b/audio1.mp4"), 0, 0) << 14u;
}

void TestBoxSim::downloadRefusals()
{
    QFETCH(QByteArray, payload);
    QFETCH(quint32, status);
    auto box = startBox();
    QVERIFY(box);
    const SvpResponse r = request(box->svpPort(), SVP_API_FILE_DOWNLOAD, 0, 0, 0, payload);
    QVERIFY(r.error.isEmpty());
    QCOMPARE(r.arg0, status);
    QVERIFY(r.payload.isEmpty());
}

void TestBoxSim::faultSwitches_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<quint16>("api");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("error"); // transport error text; empty: answered
    QTest::addColumn<quint32>("status");
    QTest::addColumn<QString>("journalStatus");

    QTest::newRow("refused start")
        << QStringList{QStringLiteral("--refuse"), QStringLiteral("DVR_START:16")}
        << SVP_API_DVR_START << kTimeoutMs << QString() << 16u << "16";
    QTest::newRow("refused list") << QStringList{QStringLiteral("--refuse"), QStringLiteral("1:4")}
                                  << SVP_API_DVR_LIST_PLAY << kTimeoutMs << QString() << 4u << "4";
    QTest::newRow("silent list") << QStringList{QStringLiteral("--silent"), QStringLiteral("LIST")}
                                 << SVP_API_DVR_LIST_PLAY << 600
                                 << "no response header (timeout/closed)" << 0u << "none";
    QTest::newRow("silent list, start still answered")
        << QStringList{QStringLiteral("--silent"), QStringLiteral("LIST")} << SVP_API_DVR_START
        << kTimeoutMs << QString() << 0u << "0";
    QTest::newRow("slow list, waited for")
        << QStringList{QStringLiteral("--delay"), QStringLiteral("LIST:800")}
        << SVP_API_DVR_LIST_PLAY << 4000 << QString() << 0u << "0";
    QTest::newRow("slow list, given up")
        << QStringList{QStringLiteral("--delay"), QStringLiteral("LIST:3000")}
        << SVP_API_DVR_LIST_PLAY << 300 << "no response header (timeout/closed)" << 0u << "0";
}

void TestBoxSim::faultSwitches()
{
    QFETCH(QStringList, extra);
    QFETCH(quint16, api);
    QFETCH(int, timeoutMs);
    QFETCH(QString, error);
    QFETCH(quint32, status);
    QFETCH(QString, journalStatus);
    auto box = startBox(extra);
    QVERIFY(box);
    const SvpResponse r = request(box->svpPort(), api, 1, 0, 7, {}, timeoutMs);
    QCOMPARE(r.error, error);
    if (error.isEmpty())
        QCOMPARE(r.arg0, status);
    const auto journal = box->journal(journalPath());
    QCOMPARE(journal.size(), 1);
    QCOMPARE(journal[0].status, journalStatus);
}

void TestBoxSim::masterFaults_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("url"); // expected "url" member; "session": the box's own
    QTest::addColumn<int>("status");  // of the GET of the box's master URL; 0: no answer
    QTest::addColumn<bool>("isMaster");

    QTest::newRow("not a master") << QStringList{QStringLiteral("--master-fault"),
                                                 QStringLiteral("media")}
                                  << "session" << 200 << false;
    QTest::newRow("server error") << QStringList{QStringLiteral("--master-fault"),
                                                 QStringLiteral("error")}
                                  << "session" << 500 << false;
    QTest::newRow("silent server")
        << QStringList{QStringLiteral("--master-fault"), QStringLiteral("silent")} << "session" << 0
        << false;
    QTest::newRow("other url") << QStringList{QStringLiteral("--start-url"),
                                              QStringLiteral("file:///etc/passwd")}
                               << "file:///etc/passwd" << 200 << true;
    QTest::newRow("no url") << QStringList{QStringLiteral("--start-url"), QStringLiteral("none")}
                            << "" << 200 << true;
}

void TestBoxSim::masterFaults()
{
    QFETCH(QStringList, extra);
    QFETCH(QString, url);
    QFETCH(int, status);
    QFETCH(bool, isMaster);
    auto box = startBox(extra);
    QVERIFY(box);
    const SvpResponse started = request(box->svpPort(), SVP_API_DVR_START, 1, 0, 7);
    QCOMPARE(started.arg0, 0u);
    const QJsonObject answer = QJsonDocument::fromJson(started.payload).object();
    QVERIFY(answer.isEmpty() == url.isEmpty());
    const QString session =
        QStringLiteral("http://%1:%2/s/1/master.m3u8").arg(kBoxAddress).arg(box->httpPort());
    if (!url.isEmpty())
        QCOMPARE(answer.value(QStringLiteral("url")).toString(),
                 url == QLatin1String("session") ? session : url);

    const HttpAnswer master = httpGet(session, {}, 1500);
    QCOMPARE(master.status, status);
    if (status == 200) {
        QCOMPARE(master.body.contains("#EXT-X-STREAM-INF"), isMaster);
        QVERIFY(master.body.startsWith("#EXTM3U"));
    }
}

QTEST_GUILESS_MAIN(TestBoxSim)
#include "tst_boxsim.moc"
