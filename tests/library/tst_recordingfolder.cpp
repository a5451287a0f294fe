// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "libraryfixtures.h"
#include "recordingfolder.h"

#include <QDir>
#include <QFile>
#include <QJsonValue>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using fixtures::DbSpec;

class TestRecordingFolder : public QObject
{
    Q_OBJECT

private slots:
    void decodeRanges_data();
    void decodeRanges();
    void mediaFiles_data();
    void mediaFiles();
    void channelId_data();
    void channelId();
    void startTime_data();
    void startTime();
    void jsonObject_data();
    void jsonObject();
    void connectionsNeverCreateTheFile_data();
    void connectionsNeverCreateTheFile();
};

void TestRecordingFolder::decodeRanges_data()
{
    QTest::addColumn<QByteArray>("blob");
    QTest::addColumn<QList<qint64>>("expected");
    QTest::newRow("empty") << QByteArray() << QList<qint64>{};
    QTest::newRow("seven bytes") << QByteArray(7, '\x01') << QList<qint64>{};
    QTest::newRow("20 bytes: two entries, 4 ignored") << QByteArray::fromHex("0000000000000000"
                                                                             "10e2010000000000"
                                                                             "ffffffff")
                                                      << QList<qint64>{0, 123408};
    QTest::newRow("little endian, signed")
        << QByteArray::fromHex("0807060504030201feffffffffffffff")
        << QList<qint64>{0x0102030405060708LL, -2};
}

void TestRecordingFolder::decodeRanges()
{
    QFETCH(QByteArray, blob);
    QFETCH(QList<qint64>, expected);
    QCOMPARE(recfolder::decodeRanges(blob), expected);
}

void TestRecordingFolder::mediaFiles_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("dirs");
    QTest::addColumn<QStringList>("videoChoices"); // any of these is right (directory order)
    QTest::addColumn<QList<int>>("audioTracks");

    QTest::newRow("plain ts") << QStringList{QStringLiteral("video1.ts"),
                                             QStringLiteral("audio1.ts"),
                                             QStringLiteral("audio2.ts")}
                              << QStringList{} << QStringList{QStringLiteral("video1.ts")}
                              << QList<int>{1, 2};
    QTest::newRow("no extensions")
        << QStringList{QStringLiteral("video1"), QStringLiteral("audio1")} << QStringList{}
        << QStringList{QStringLiteral("video1")} << QList<int>{1};
    QTest::newRow("playlists are never media")
        << QStringList{QStringLiteral("video1.M3U8"), QStringLiteral("video1.m3u8"),
                       QStringLiteral("audio1.m3u8"), QStringLiteral("audio2.M3u8")}
        << QStringList{} << QStringList{QString()} << QList<int>{};
    QTest::newRow("playlist beside the media file")
        << QStringList{QStringLiteral("video1.m3u8"), QStringLiteral("video1")} << QStringList{}
        << QStringList{QStringLiteral("video1")} << QList<int>{};
    QTest::newRow("names that do not match")
        << QStringList{QStringLiteral("video10.ts"), QStringLiteral("video2.ts"),
                       QStringLiteral("Video1.ts"),  QStringLiteral("video1.ts.bak"),
                       QStringLiteral("video1."),    QStringLiteral("audio.ts"),
                       QStringLiteral("audioX.ts"),  QStringLiteral("xaudio1.ts")}
        << QStringList{} << QStringList{QString()} << QList<int>{};
    QTest::newRow("folders are not files")
        << QStringList{} << QStringList{QStringLiteral("video1"), QStringLiteral("audio1")}
        << QStringList{QString()} << QList<int>{};
    QTest::newRow("leading zeros and two names for one track")
        << QStringList{QStringLiteral("video1.mp4"), QStringLiteral("audio01.mp4"),
                       QStringLiteral("audio1.ts"), QStringLiteral("audio003")}
        << QStringList{} << QStringList{QStringLiteral("video1.mp4")} << QList<int>{1, 3};
    QTest::newRow("track number too large for int")
        << QStringList{QStringLiteral("video1.ts"), QStringLiteral("audio99999999999.ts")}
        << QStringList{} << QStringList{QStringLiteral("video1.ts")} << QList<int>{};
}

void TestRecordingFolder::mediaFiles()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, dirs);
    QFETCH(QStringList, videoChoices);
    QFETCH(QList<int>, audioTracks);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    for (const QString &f : files)
        QVERIFY(fixtures::writeFile(tmp.filePath(f), "x"));
    for (const QString &d : dirs)
        QVERIFY(QDir(tmp.path()).mkdir(d));

    QVERIFY2(videoChoices.contains(recfolder::findVideoFile(tmp.path())),
             qPrintable(recfolder::findVideoFile(tmp.path())));
    const QMap<int, QString> audio = recfolder::findAudioFiles(tmp.path());
    QCOMPARE(audio.keys(), audioTracks);
    for (auto it = audio.cbegin(); it != audio.cend(); ++it)
        QVERIFY(files.contains(it.value()));
}

void TestRecordingFolder::channelId_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("atsc");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::newRow("ATSC 3, 7.5") << QStringLiteral("3000000000007005") << true << 3 << 7 << 5;
    QTest::newRow("ATSC 1, 2.1") << QStringLiteral("1000000000002001") << true << 1 << 2 << 1;
    QTest::newRow("unused bits ignored")
        << QStringLiteral("1fffffffff00c00a") << true << 1 << 12 << 10;
    QTest::newRow("largest fields")
        << QStringLiteral("f000000000ffffff") << true << 15 << 4095 << 4095;
    QTest::newRow("lower case") << QStringLiteral("300000000002a00b") << true << 3 << 42 << 11;
    QTest::newRow("short value") << QStringLiteral("7005") << true << 0 << 7 << 5;
    QTest::newRow("not hexadecimal") << QStringLiteral("channel-7") << false << -1 << 0 << 0;
    QTest::newRow("empty") << QString() << false << -1 << 0 << 0;
    QTest::newRow("more than 64 bits")
        << QStringLiteral("30000000000070051") << false << -1 << 0 << 0;
}

void TestRecordingFolder::channelId()
{
    QFETCH(QString, hex);
    QFETCH(bool, valid);
    QFETCH(int, atsc);
    QFETCH(int, major);
    QFETCH(int, minor);
    const recfolder::ChannelId c = recfolder::parseChannelId(hex);
    QCOMPARE(c.valid, valid);
    QCOMPARE(c.atscVersion, atsc);
    if (valid) {
        QCOMPARE(c.major, major);
        QCOMPARE(c.minor, minor);
    }
}

void TestRecordingFolder::startTime_data()
{
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<qint64>("expectedMs"); // -1: invalid

    const qint64 nov2023 = 1700000000000LL; // 2023-11-14T22:13:20Z
    QTest::newRow("seconds as number") << QJsonValue(1700000000.0) << nov2023;
    QTest::newRow("milliseconds as number") << QJsonValue(1700000000000.0) << nov2023;
    QTest::newRow("fractional seconds truncated") << QJsonValue(1700000000.9) << nov2023;
    QTest::newRow("seconds as text") << QJsonValue(QStringLiteral("1700000000")) << nov2023;
    QTest::newRow("milliseconds as text") << QJsonValue(QStringLiteral("1700000000000")) << nov2023;
    QTest::newRow("10^11 is still seconds")
        << QJsonValue(100000000000.0) << qint64(100000000000LL * 1000);
    QTest::newRow("10^11 + 1 is milliseconds")
        << QJsonValue(100000000001.0) << qint64(100000000001LL);
    QTest::newRow("ISO with Z") << QJsonValue(QStringLiteral("2023-11-14T22:13:20Z")) << nov2023;
    QTest::newRow("ISO with offset")
        << QJsonValue(QStringLiteral("2023-11-15T00:13:20+02:00")) << nov2023;
    QTest::newRow("not a time") << QJsonValue(QStringLiteral("yesterday")) << qint64(-1);
    QTest::newRow("empty text") << QJsonValue(QString()) << qint64(-1);
    QTest::newRow("bool") << QJsonValue(true) << qint64(-1);
    QTest::newRow("null") << QJsonValue(QJsonValue::Null) << qint64(-1);
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << qint64(-1);
    QTest::newRow("far beyond 64 bits") << QJsonValue(1e30) << qint64(-1);
    QTest::newRow("huge negative seconds") << QJsonValue(-9e17) << qint64(-1);
}

void TestRecordingFolder::startTime()
{
    QFETCH(QJsonValue, value);
    QFETCH(qint64, expectedMs);
    const QDateTime t = recfolder::parseStartTime(value);
    if (expectedMs < 0) {
        QVERIFY(!t.isValid());
        return;
    }
    QVERIFY(t.isValid());
    QCOMPARE(t.toMSecsSinceEpoch(), expectedMs);
    QCOMPARE(t.timeSpec(), Qt::LocalTime);
}

void TestRecordingFolder::jsonObject_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::newRow("object") << QByteArray("{\"position\":3}") << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("array") << QByteArray("[1,2]") << false;
    QTest::newRow("not json") << QByteArray("position=3") << false;
    QTest::newRow("binary") << QByteArray::fromHex("00ff10473f") << false;
}

void TestRecordingFolder::jsonObject()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    bool parsed = !ok;
    QString error;
    const QJsonObject o = recfolder::parseJsonObject(bytes, &parsed, &error);
    QCOMPARE(parsed, ok);
    QCOMPARE(o.isEmpty(), !ok);
    if (!ok)
        QVERIFY(!error.isEmpty());
}

void TestRecordingFolder::connectionsNeverCreateTheFile_data()
{
    QTest::addColumn<recfolder::ScopedConnection::Access>("access");
    QTest::newRow("reader") << recfolder::ScopedConnection::Access::ReadOnly;
    QTest::newRow("writer") << recfolder::ScopedConnection::Access::ReadWrite;
}

void TestRecordingFolder::connectionsNeverCreateTheFile()
{
    // The database may vanish between the check that it exists and the open.
    QFETCH(recfolder::ScopedConnection::Access, access);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    // Characters that a file URI has to escape.
    const QString folder = tmp.filePath(QStringLiteral("a #1 ?50%"));
    QVERIFY(QDir().mkpath(folder));
    const QString db = recfolder::metadataPath(folder);
    {
        recfolder::ScopedConnection conn(QStringLiteral("test-"), db, access, 100);
        QVERIFY(!conn.open());
    }
    QVERIFY(!QFile::exists(db));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    // An existing file opens in either mode, and only the writer may change it.
    DbSpec dbSpec;
    dbSpec.info = fixtures::infoJson(QStringLiteral("X"));
    QCOMPARE(fixtures::writeDb(folder, dbSpec), QString());
    {
        recfolder::ScopedConnection conn(QStringLiteral("test-"), db, access, 100);
        QVERIFY2(conn.open(), qPrintable(conn.errorText()));
        QSqlQuery q(conn.database());
        QVERIFY(q.exec(QStringLiteral("SELECT Json FROM info WHERE ID=1")) && q.next());
        QCOMPARE(q.exec(QStringLiteral("UPDATE info SET Json = '{}' WHERE ID=1")),
                 access == recfolder::ScopedConnection::Access::ReadWrite);
    }
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

QTEST_GUILESS_MAIN(TestRecordingFolder)
#include "tst_recordingfolder.moc"
