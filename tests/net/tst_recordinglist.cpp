// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The box's recording list as rows, and which of its folder names may name a library folder.
#include "recordinglist.h"

#include <QTest>

class TestRecordingList : public QObject
{
    Q_OBJECT

private slots:
    void shapes_data();
    void shapes();
    void textFields_data();
    void textFields();
    void integerFields_data();
    void integerFields();
    void startTime_data();
    void startTime();
    void basenames_data();
    void basenames();
    void folderNames_data();
    void folderNames();
};

// Which payload shapes give which rows (by name).
void TestRecordingList::shapes_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("array") << QByteArray(R"([{"name":"a"},{"name":"b"},{"name":"c"}])")
                           << QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                          QStringLiteral("c")};
    QTest::newRow("object with an array member")
        << QByteArray(R"({"recordings":[{"name":"a"},{"name":"b"}]})")
        << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("first array member in key order")
        << QByteArray(R"({"count":2,"b":[{"name":"from b"}],"a":[{"name":"from a"}]})")
        << QStringList{QStringLiteral("from a")};
    QTest::newRow("single object")
        << QByteArray(R"({"name":"only","title":"t"})") << QStringList{QStringLiteral("only")};
    QTest::newRow("mixed elements") << QByteArray(R"([1, "x", {"name":"kept"}, null, [2]])")
                                    << QStringList{QStringLiteral("kept")};
    QTest::newRow("box order kept, no sorting")
        << QByteArray(R"([{"name":"z"},{"name":"a"},{"name":"m"}])")
        << QStringList{QStringLiteral("z"), QStringLiteral("a"), QStringLiteral("m")};
    QTest::newRow("empty array") << QByteArray("[]") << QStringList();
    QTest::newRow("not json") << QByteArray("garbage{") << QStringList();
    QTest::newRow("empty payload") << QByteArray() << QStringList();
    QTest::newRow("top-level number") << QByteArray("42") << QStringList();
    QTest::newRow("empty object is one row") << QByteArray("{}") << QStringList{QStringLiteral("")};
}

void TestRecordingList::shapes()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, names);
    const QList<RemoteRecording> rows = parseRecordingList(payload);
    QStringList got;
    for (const RemoteRecording &r : rows)
        got << r.name;
    QCOMPARE(got, names);
}

// Text fields, season/episode, channel and ATSC version of one record.
void TestRecordingList::textFields_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("seasonEpisode");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<int>("atscVersion");
    QTest::addColumn<QString>("posterUrl");

    QTest::newRow("strings as they are")
        << QByteArray(R"({"name":"News","poster":"http://box/p.png?a=1&b=2"})") << "News"
        << ""
        << "" << -1 << "http://box/p.png?a=1&b=2";
    QTest::newRow("number as decimal text")
        << QByteArray(R"({"name":1234567890123})") << "1234567890123"
        << ""
        << "" << -1 << "";
    QTest::newRow("fraction cut to its integer") << QByteArray(R"({"name":12.9})") << "12"
                                                 << ""
                                                 << "" << -1 << "";
    QTest::newRow("other types give empty text")
        << QByteArray(R"({"name":true,"poster":{"a":1}})") << ""
        << ""
        << "" << -1 << "";
    QTest::newRow("season and episode") << QByteArray(R"({"season_num":3,"episode_num":12})") << ""
                                        << "S3E12"
                                        << "" << -1 << "";
    QTest::newRow("season and episode as strings")
        << QByteArray(R"({"season_num":"4","episode_num":"7"})") << ""
        << "S4E7"
        << "" << -1 << "";
    QTest::newRow("episode missing") << QByteArray(R"({"season_num":3})") << ""
                                     << ""
                                     << "" << -1 << "";
    QTest::newRow("episode null") << QByteArray(R"({"season_num":3,"episode_num":null})") << ""
                                  << ""
                                  << "" << -1 << "";
    QTest::newRow("ATSC-3 channel")
        << QByteArray(R"({"chan_major":7,"chan_minor":1,"protocol":"ATSC-3"})") << ""
        << ""
        << "7.1 (ATSC-3)" << 3 << "";
    QTest::newRow("ATSC-1 channel, numbers as strings")
        << QByteArray(R"({"chan_major":"5","chan_minor":"2","protocol":"ATSC-1"})") << ""
        << ""
        << "5.2 (ATSC-1)" << 1 << "";
    QTest::newRow("channel without protocol")
        << QByteArray(R"({"chan_major":9,"chan_minor":3})") << ""
        << ""
        << "9.3" << -1 << "";
    QTest::newRow("major 0 gives no channel")
        << QByteArray(R"({"chan_major":0,"chan_minor":1,"protocol":"ATSC-3"})") << ""
        << ""
        << "" << 3 << "";
    QTest::newRow("negative major gives no channel")
        << QByteArray(R"({"chan_major":-2,"chan_minor":1})") << ""
        << ""
        << "" << -1 << "";
    QTest::newRow("other protocol text")
        << QByteArray(R"({"chan_major":4,"chan_minor":0,"protocol":"atsc-3"})") << ""
        << ""
        << "4.0 (atsc-3)" << -1 << "";
}

void TestRecordingList::textFields()
{
    QFETCH(QByteArray, record);
    const QList<RemoteRecording> rows = parseRecordingList(record);
    QCOMPARE(rows.size(), 1);
    const RemoteRecording &r = rows.constFirst();
    QTEST(r.name, "name");
    QTEST(r.seasonEpisode, "seasonEpisode");
    QTEST(r.channel, "channel");
    QTEST(r.atscVersion, "atscVersion");
    QTEST(r.posterUrl, "posterUrl");
}

// Numbers that become ints (and the 32-bit ids and the byte count).
void TestRecordingList::integerFields_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<int>("duration");
    QTest::addColumn<quint32>("playId");
    QTest::addColumn<quint32>("entryId");
    QTest::addColumn<int>("position");
    QTest::addColumn<qint64>("numBytes");

    QTest::newRow("numbers")
        << QByteArray(
               R"({"num_seconds":1800,"play_id":42,"record_id":7,"position":95,"num_bytes":5368709120})")
        << 1800 << 42u << 7u << 95 << qint64(5368709120);
    QTest::newRow("numeric strings")
        << QByteArray(
               R"({"num_seconds":"60","play_id":"3","record_id":"4","position":"5","num_bytes":"1024"})")
        << 60 << 3u << 4u << 5 << qint64(1024);
    QTest::newRow("missing and null give 0")
        << QByteArray(R"({"play_id":null,"position":null})") << 0 << 0u << 0u << 0 << qint64(0);
    QTest::newRow("duration when num_seconds is absent")
        << QByteArray(R"({"duration":1800})") << 1800 << 0u << 0u << 0 << qint64(0);
    QTest::newRow("duration when num_seconds is null")
        << QByteArray(R"({"num_seconds":null,"duration":900})") << 900 << 0u << 0u << 0
        << qint64(0);
    QTest::newRow("num_seconds wins") << QByteArray(R"({"num_seconds":600,"duration":1800})") << 600
                                      << 0u << 0u << 0 << qint64(0);
    QTest::newRow("negative id read as signed, kept as unsigned")
        << QByteArray(R"({"play_id":-1})") << 0 << 4294967295u << 0u << 0 << qint64(0);
    QTest::newRow("non-numeric text gives 0")
        << QByteArray(R"({"play_id":"abc","num_seconds":"x"})") << 0 << 0u << 0u << 0 << qint64(0);
}

void TestRecordingList::integerFields()
{
    QFETCH(QByteArray, record);
    const QList<RemoteRecording> rows = parseRecordingList(record);
    QCOMPARE(rows.size(), 1);
    const RemoteRecording &r = rows.constFirst();
    QTEST(r.duration, "duration");
    QTEST(r.playId, "playId");
    QTEST(r.entryId, "entryId");
    QTEST(r.position, "position");
    QTEST(r.numBytes, "numBytes");
}

void TestRecordingList::startTime_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<qint64>("seconds"); // 0: invalid date-time

    QTest::newRow("string") << QByteArray(R"({"start_time":"1700000000"})") << qint64(1700000000);
    QTest::newRow("number") << QByteArray(R"({"start_time":1700000000})") << qint64(1700000000);
    QTest::newRow("fraction truncated")
        << QByteArray(R"({"start_time":1700000000.75})") << qint64(1700000000);
    QTest::newRow("one second") << QByteArray(R"({"start_time":1})") << qint64(1);
    QTest::newRow("string zero") << QByteArray(R"({"start_time":"0"})") << qint64(0);
    QTest::newRow("negative") << QByteArray(R"({"start_time":-5})") << qint64(0);
    QTest::newRow("not a number") << QByteArray(R"({"start_time":"abc"})") << qint64(0);
    QTest::newRow("decimal string") << QByteArray(R"({"start_time":"17.5"})") << qint64(0);
    QTest::newRow("missing") << QByteArray(R"({})") << qint64(0);
    QTest::newRow("null") << QByteArray(R"({"start_time":null})") << qint64(0);
    QTest::newRow("wrong type") << QByteArray(R"({"start_time":{"s":1700000000}})") << qint64(0);
}

void TestRecordingList::startTime()
{
    QFETCH(QByteArray, record);
    QFETCH(qint64, seconds);
    const QList<RemoteRecording> rows = parseRecordingList(record);
    QCOMPARE(rows.size(), 1);
    const QDateTime at = rows.constFirst().recordedAt;
    if (seconds == 0) {
        QVERIFY(!at.isValid());
    } else {
        QVERIFY(at.isValid());
        QCOMPARE(at.toSecsSinceEpoch(), seconds);
        QCOMPARE(at.timeSpec(), Qt::LocalTime);
    }
}

// driveBasename is the last component of drive_path as the box wrote it; whether such a name is
// usable here is folderNameProblem's business.
void TestRecordingList::basenames_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QString>("basename");
    QTest::addColumn<bool>("usable");

    QTest::newRow("folder/rec_42")
        << QByteArray(R"({"drive_path":"folder/rec_42"})") << "rec_42" << true;
    QTest::newRow("absolute") << QByteArray(R"({"drive_path":"/media/hdd/rec/Show 1"})") << "Show 1"
                              << true;
    QTest::newRow("no folder") << QByteArray(R"({"drive_path":"rec_1"})") << "rec_1" << true;
    QTest::newRow("missing") << QByteArray(R"({})") << "" << false;
    QTest::newRow("trailing slash") << QByteArray(R"({"drive_path":"folder/"})") << "" << false;
    QTest::newRow("dot-dot") << QByteArray(R"({"drive_path":"folder/.."})") << ".." << false;
    QTest::newRow("dot") << QByteArray(R"({"drive_path":"."})") << "." << false;
    QTest::newRow("backslash") << QByteArray(R"({"drive_path":"C:\\rec\\..\\x"})")
                               << "C:\\rec\\..\\x" << false;
    QTest::newRow("control character")
        << QByteArray(R"({"drive_path":"rec/a\nb"})") << "a\nb" << false;
    QTest::newRow("the staging folder")
        << QByteArray(R"({"drive_path":"x/.norplay-dl"})") << ".norplay-dl" << false;
    QTest::newRow("number") << QByteArray(R"({"drive_path":1234})") << "1234" << true;
}

void TestRecordingList::basenames()
{
    QFETCH(QByteArray, record);
    QFETCH(QString, basename);
    QFETCH(bool, usable);
    const QList<RemoteRecording> rows = parseRecordingList(record);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.constFirst().driveBasename, basename);
    QCOMPARE(folderNameProblem(basename, FolderNameRules::Portable).isEmpty(), usable);
}

void TestRecordingList::folderNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("portable");
    QTest::addColumn<bool>("windows");

    QTest::newRow("plain") << "rec_42" << true << true;
    QTest::newRow("spaces and unicode") << QStringLiteral("Nachrichten – Folge 3") << true << true;
    QTest::newRow("hidden name") << ".hidden" << true << true;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("dot") << "." << false << false;
    QTest::newRow("dot-dot") << ".." << false << false;
    QTest::newRow("slash") << "a/b" << false << false;
    QTest::newRow("leading slash") << "/etc" << false << false;
    QTest::newRow("backslash") << "a\\b" << false << false;
    QTest::newRow("tab") << "a\tb" << false << false;
    QTest::newRow("delete") << QStringLiteral("a\x7f") << false << false;
    QTest::newRow("C1 control") << QString(QChar(0x85)) << false << false;
    QTest::newRow("staging folder") << ".norplay-dl" << false << false;
    QTest::newRow("255 bytes") << QString(255, QLatin1Char('a')) << true << true;
    QTest::newRow("256 bytes") << QString(256, QLatin1Char('a')) << false << false;
    QTest::newRow("colon") << "Show: Part 1" << true << false;
    QTest::newRow("question mark") << "why?" << true << false;
    QTest::newRow("quote") << "a\"b" << true << false;
    QTest::newRow("trailing dot") << "rec." << true << false;
    QTest::newRow("trailing space") << "rec " << true << false;
    QTest::newRow("device name") << "CON" << true << false;
    QTest::newRow("device name with extension") << "nul.txt" << true << false;
    QTest::newRow("COM port") << "com7" << true << false;
    QTest::newRow("not a device name") << "CONSOLE" << true << true;
}

void TestRecordingList::folderNames()
{
    QFETCH(QString, name);
    QTEST(folderNameProblem(name, FolderNameRules::Portable).isEmpty(), "portable");
    QTEST(folderNameProblem(name, FolderNameRules::Windows).isEmpty(), "windows");
}

QTEST_GUILESS_MAIN(TestRecordingList)
#include "tst_recordinglist.moc"
