// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The stand-in box's pure parts: Range answers, the download path rules, the list entry built
// from a recording's metadata, the command line's test switches and the journal's fields.
#include <boxconfig.h>
#include <boxjournal.h>
#include <boxstorage.h>
#include <byterange.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using Kind = ByteRange::Kind;

namespace {

QStringList args(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *t : texts)
        list << QString::fromUtf8(t);
    return list;
}

} // namespace
Q_DECLARE_METATYPE(ByteRange::Kind)

class TestBoxSimCore : public QObject
{
    Q_OBJECT

private slots:
    void rangeAnswers_data();
    void rangeAnswers();
    void contentRangeTexts();
    void downloadPaths_data();
    void downloadPaths();
    void listEntries_data();
    void listEntries();
    void testSwitches_data();
    void testSwitches();
    void badSwitches_data();
    void badSwitches();
    void journalLines();
};

void TestBoxSimCore::rangeAnswers_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("last");

    QTest::newRow("no header") << QByteArray() << qint64(100) << Kind::Whole << 0ll << -1ll;
    QTest::newRow("first byte") << QByteArray("bytes=0-0") << 100ll << Kind::Partial << 0ll << 0ll;
    QTest::newRow("whole as range")
        << QByteArray("bytes=0-99") << 100ll << Kind::Partial << 0ll << 99ll;
    QTest::newRow("last byte inclusive")
        << QByteArray("bytes=99-99") << 100ll << Kind::Partial << 99ll << 99ll;
    QTest::newRow("open end") << QByteArray("bytes=10-") << 100ll << Kind::Partial << 10ll << 99ll;
    QTest::newRow("end past the size is cut")
        << QByteArray("bytes=90-200") << 100ll << Kind::Partial << 90ll << 99ll;
    QTest::newRow("start at the size")
        << QByteArray("bytes=100-") << 100ll << Kind::Unsatisfiable << 0ll << -1ll;
    QTest::newRow("start past the size")
        << QByteArray("bytes=150-160") << 100ll << Kind::Unsatisfiable << 0ll << -1ll;
    QTest::newRow("suffix") << QByteArray("bytes=-10") << 100ll << Kind::Partial << 90ll << 99ll;
    QTest::newRow("suffix longer than the body")
        << QByteArray("bytes=-200") << 100ll << Kind::Partial << 0ll << 99ll;
    QTest::newRow("empty suffix") << QByteArray("bytes=-0") << 100ll << Kind::Unsatisfiable << 0ll
                                  << -1ll;
    QTest::newRow("empty body") << QByteArray("bytes=0-") << 0ll << Kind::Unsatisfiable << 0ll
                                << -1ll;
    QTest::newRow("suffix of an empty body")
        << QByteArray("bytes=-5") << 0ll << Kind::Unsatisfiable << 0ll << -1ll;
    QTest::newRow("unit in capitals")
        << QByteArray("Bytes=1-2") << 100ll << Kind::Partial << 1ll << 2ll;
    QTest::newRow("spaces") << QByteArray(" bytes= 1 - 2 ") << 100ll << Kind::Partial << 1ll << 2ll;
    QTest::newRow("end before start")
        << QByteArray("bytes=5-4") << 100ll << Kind::Whole << 0ll << -1ll;
    QTest::newRow("several ranges")
        << QByteArray("bytes=0-1,5-6") << 100ll << Kind::Whole << 0ll << -1ll;
    QTest::newRow("other unit") << QByteArray("items=0-1") << 100ll << Kind::Whole << 0ll << -1ll;
    QTest::newRow("no dash") << QByteArray("bytes=12") << 100ll << Kind::Whole << 0ll << -1ll;
    QTest::newRow("letters") << QByteArray("bytes=a-b") << 100ll << Kind::Whole << 0ll << -1ll;
    QTest::newRow("sign") << QByteArray("bytes=+1-2") << 100ll << Kind::Whole << 0ll << -1ll;
    QTest::newRow("overflow") << QByteArray("bytes=99999999999999999999-") << 100ll << Kind::Whole
                              << 0ll << -1ll;
    QTest::newRow("just the unit") << QByteArray("bytes=") << 100ll << Kind::Whole << 0ll << -1ll;
}

void TestBoxSimCore::rangeAnswers()
{
    QFETCH(QByteArray, header);
    QFETCH(qint64, size);
    QFETCH(Kind, kind);
    QFETCH(qint64, first);
    QFETCH(qint64, last);
    const ByteRange range = answerRange(header, size);
    QCOMPARE(range.kind, kind);
    if (kind == Kind::Partial) {
        QCOMPARE(range.first, first);
        QCOMPARE(range.last, last);
        QCOMPARE(range.length(), last - first + 1);
    }
}

void TestBoxSimCore::contentRangeTexts()
{
    QCOMPARE(contentRange(answerRange("bytes=0-0", 100), 100), QByteArray("bytes 0-0/100"));
    QCOMPARE(contentRange(answerRange("bytes=-10", 100), 100), QByteArray("bytes 90-99/100"));
    QCOMPARE(contentRange(answerRange("bytes=100-", 100), 100), QByteArray("bytes */100"));
}

void TestBoxSimCore::downloadPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("resolved"); // relative to the storage; empty: refused

    QTest::newRow("file") << QStringLiteral("rec/video1") << QStringLiteral("rec/video1");
    QTest::newRow("metadata") << QStringLiteral("rec/sv_metadata.db")
                              << QStringLiteral("rec/sv_metadata.db");
    QTest::newRow("missing") << QStringLiteral("rec/audio9") << QStringLiteral("");
    QTest::newRow("folder") << QStringLiteral("rec") << QStringLiteral("");
    QTest::newRow("empty") << QStringLiteral("") << QStringLiteral("");
    QTest::newRow("absolute") << QStringLiteral("/etc/passwd") << QStringLiteral("");
    QTest::newRow("parent") << QStringLiteral("../outside") << QStringLiteral("");
    QTest::newRow("parent inside") << QStringLiteral("rec/../rec/video1") << QStringLiteral("");
    QTest::newRow("dot") << QStringLiteral("rec/./video1") << QStringLiteral("");
    QTest::newRow("double slash") << QStringLiteral("rec//video1") << QStringLiteral("");
    QTest::newRow("backslash") << QStringLiteral("rec\\video1") << QStringLiteral("");
    QTest::newRow("drive letter") << QStringLiteral("C:/rec/video1") << QStringLiteral("");
    QTest::newRow("link out of the storage") << QStringLiteral("rec/escape") << QStringLiteral("");
    QTest::newRow("link inside the storage")
        << QStringLiteral("rec/alias") << QStringLiteral("rec/video1");
}

void TestBoxSimCore::downloadPaths()
{
    QFETCH(QString, path);
    QFETCH(QString, resolved);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.filePath(QStringLiteral("storage"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/rec")));
    for (const QString &name :
         {QStringLiteral("storage/rec/video1"), QStringLiteral("storage/rec/sv_metadata.db"),
          QStringLiteral("outside")}) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QVERIFY(
        QFile::link(dir.filePath(QStringLiteral("outside")), root + QStringLiteral("/rec/escape")));
    QVERIFY(QFile::link(root + QStringLiteral("/rec/video1"), root + QStringLiteral("/rec/alias")));

    BoxStorage storage;
    QString error;
    QVERIFY(storage.load(root, &error)); // rec has no readable metadata: no recordings
    QVERIFY(storage.recordings().isEmpty());
    const QString expected =
        resolved.isEmpty() ? QString() : QDir(storage.root()).filePath(resolved);
    QCOMPARE(storage.resolveDownload(path), expected);
}

void TestBoxSimCore::listEntries_data()
{
    QTest::addColumn<QByteArray>("info");
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<bool>("poster");
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("expected"); // the members that must be there, with values
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("full")
        << QByteArray(R"({"program":{"name":"News","title":"Late","description":"d",)"
                      R"("season_num":3,"episode_num":"12","start_time":1700000000,)"
                      R"("duration":1800},"channel":{"id":"3000000000007005"}})")
        << QByteArray(R"({"num_seconds":1795})") << true << 0
        << QByteArray(R"({"name":"News","title":"Late","description":"d","season_num":3,)"
                      R"("episode_num":"12","start_time":1700000000,"duration":1800,)"
                      R"("num_seconds":1795,"chan_major":7,"chan_minor":5,"protocol":"ATSC-3",)"
                      R"("play_id":4,"record_id":1004,"position":0,)"
                      R"("thumb_name":"thumbnails/rec_1004.jpg","poster":"http://box/poster/4",)"
                      R"("drive_path":"/media/store/rec_4","num_bytes":123})")
        << QStringList();
    QTest::newRow("iso start, milliseconds, ATSC 1")
        << QByteArray(R"({"program":{"name":"A","start_time":"2023-11-14T22:13:20Z"},)"
                      R"("channel":{"id":"1000000000002001"}})")
        << QByteArray(R"({"position":42})") << false << 42
        << QByteArray(R"({"start_time":1700000000,"chan_major":2,"chan_minor":1,)"
                      R"("protocol":"ATSC-1","position":42})")
        << QStringList{QStringLiteral("poster"), QStringLiteral("num_seconds"),
                       QStringLiteral("duration"), QStringLiteral("title")};
    QTest::newRow("start time in milliseconds")
        << QByteArray(R"({"program":{"name":"A","start_time":"1700000000000"}})") << QByteArray()
        << false << 0 << QByteArray(R"({"start_time":1700000000})")
        << QStringList{QStringLiteral("chan_major"), QStringLiteral("protocol")};
    QTest::newRow("unreadable start time and channel")
        << QByteArray(R"({"program":{"name":"A","start_time":"soon"},"channel":{"id":"zz"}})")
        << QByteArray() << false << 0 << QByteArray(R"({"position":0})")
        << QStringList{QStringLiteral("start_time"), QStringLiteral("chan_major")};
}

void TestBoxSimCore::listEntries()
{
    QFETCH(QByteArray, info);
    QFETCH(QByteArray, state);
    QFETCH(bool, poster);
    QFETCH(int, position);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, absent);

    BoxRecording r;
    r.playId = 4;
    r.recordId = 1004;
    r.basename = QStringLiteral("rec_4");
    r.info = QJsonDocument::fromJson(info).object();
    r.state = QJsonDocument::fromJson(state).object();
    r.position = position;
    r.numBytes = 123;
    r.hasPoster = poster;
    const QJsonObject entry =
        listEntry(r, QStringLiteral("/media/store/"), QStringLiteral("http://box/poster/"));
    const QJsonObject want = QJsonDocument::fromJson(expected).object();
    QVERIFY(!want.isEmpty());
    for (auto it = want.begin(); it != want.end(); ++it)
        QVERIFY2(
            entry.value(it.key()) == it.value(),
            qPrintable(it.key() + QStringLiteral(": ") +
                       QString::fromUtf8(QJsonDocument(entry).toJson(QJsonDocument::Compact))));
    for (const QString &key : absent)
        QVERIFY2(!entry.contains(key), qPrintable(key));
}

void TestBoxSimCore::testSwitches_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("check");

    QTest::newRow("storage and port") << args({"--storage", "/srv/rec", "--http-port", "8080"})
                                      << QStringLiteral("storage=/srv/rec http=8080");
    QTest::newRow("refuse by name")
        << args({"--refuse", "DVR_START:16"}) << QStringLiteral("refuse 2=16");
    QTest::newRow("refuse by short name and number")
        << args({"--refuse", "download:22", "--refuse", "1:4"})
        << QStringLiteral("refuse 18=22 1=4");
    QTest::newRow("delay") << args({"--delay", "PLAY_POS:700"}) << QStringLiteral("delay 4=700");
    QTest::newRow("silent") << args({"--silent", "STOP"}) << QStringLiteral("silent 3");
    QTest::newRow("download faults")
        << args({"--chunk-bytes", "1048576", "--wrong-size", "video1.ts"})
        << QStringLiteral("chunk=1048576 wrong=video1.ts");
    QTest::newRow("master and start")
        << args({"--master-fault", "media", "--start-url", "none", "--instance", "9"})
        << QStringLiteral("master=1 url=none instance=9");
}

void TestBoxSimCore::testSwitches()
{
    QFETCH(QStringList, args);
    QFETCH(QString, check);
    BoxConfig c;
    QString error;
    QVERIFY2(parseBoxConfig(QStringList{QStringLiteral("boxsim")} + args, &c, &error),
             qPrintable(error));
    QString got;
    if (check.startsWith(QLatin1String("storage")))
        got = QStringLiteral("storage=%1 http=%2").arg(c.storage).arg(c.httpPort);
    else if (check.startsWith(QLatin1String("refuse"))) {
        got = QStringLiteral("refuse");
        for (const quint16 api : {2, 18, 1})
            if (c.refuse.contains(api))
                got += QStringLiteral(" %1=%2").arg(api).arg(c.refuse.value(api));
    } else if (check.startsWith(QLatin1String("delay")))
        got = QStringLiteral("delay 4=%1").arg(c.delayMs.value(4));
    else if (check.startsWith(QLatin1String("silent")))
        got = c.silent == QSet<quint16>{3} ? QStringLiteral("silent 3") : QString();
    else if (check.startsWith(QLatin1String("chunk")))
        got = QStringLiteral("chunk=%1 wrong=%2").arg(c.chunkBytes).arg(c.wrongSizeFile);
    else
        got = QStringLiteral("master=%1 url=%2 instance=%3")
                  .arg(int(c.masterFault))
                  .arg(c.startUrl)
                  .arg(c.instance);
    QCOMPARE(got, check);
}

void TestBoxSimCore::badSwitches_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");

    QTest::newRow("unknown api") << args({"--refuse", "DVR_FLY:3"})
                                 << QStringLiteral("bad --refuse");
    QTest::newRow("no status") << args({"--refuse", "DVR_START"}) << QStringLiteral("bad --refuse");
    QTest::newRow("negative delay")
        << args({"--delay", "START:-5"}) << QStringLiteral("bad --delay");
    QTest::newRow("unknown silent")
        << args({"--silent", "nothing"}) << QStringLiteral("bad --silent");
    QTest::newRow("master fault") << args({"--master-fault", "maybe"})
                                  << QStringLiteral("unknown --master-fault");
    QTest::newRow("http port") << args({"--http-port", "70000"})
                               << QStringLiteral("bad --http-port");
    QTest::newRow("chunk") << args({"--chunk-bytes", "-1"}) << QStringLiteral("bad --chunk-bytes");
}

void TestBoxSimCore::badSwitches()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    BoxConfig c;
    QString text;
    QVERIFY(!parseBoxConfig(QStringList{QStringLiteral("boxsim")} + args, &c, &text));
    QVERIFY2(text.startsWith(error), qPrintable(text));
}

void TestBoxSimCore::journalLines()
{
    BoxRequest request;
    request.header = SvpHeader(SVP_API_FILE_DOWNLOAD, "id", 1, 2, 3, 4);
    request.payload = R"({"length":4194304,"offset":0,"path":"rec 1/video1%"})";
    QCOMPARE(
        BoxJournal::svpLine(request, 0, true),
        QStringLiteral(
            R"(tcp FILE_DOWNLOAD 1 2 3 4 0 {"length":4194304,"offset":0,"path":"rec%201/video1%25"})"));
    request.overUdp = true;
    request.header.api = 77;
    request.payload.clear();
    QCOMPARE(BoxJournal::svpLine(request, 5, false), QStringLiteral("udp 77 1 2 3 4 none -"));
    QCOMPARE(BoxJournal::field(QByteArray("a\nb\x01\xc3\xa9")), QStringLiteral("a%0Ab%01%C3%A9"));
}

QTEST_GUILESS_MAIN(TestBoxSimCore)
#include "tst_boxsimcore.moc"
