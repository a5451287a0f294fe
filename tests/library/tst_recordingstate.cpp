// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "libraryfixtures.h"
#include "playlistgenerator.h"
#include "recordingmaker.h"
#include "recordingstate.h"
#include "vlcplayer.h"
#include "vlcvideoitem.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUuid>

#include <atomic>
#include <memory>

using fixtures::DbSpec;

namespace {

QString dbOf(const QString &folder)
{
    return folder + QStringLiteral("/sv_metadata.db");
}

QString stateText(const QString &folder)
{
    return fixtures::sqlScalar(dbOf(folder), QStringLiteral("SELECT Json FROM state WHERE ID=1"));
}

int storedPosition(const QString &folder)
{
    return QJsonDocument::fromJson(stateText(folder).toUtf8())
        .object()
        .value(QStringLiteral("position"))
        .toInt(-1);
}

QString makeStateDb(const QString &folder, const std::optional<QByteArray> &state,
                    bool stateTable = true, bool blob = false)
{
    DbSpec dbSpec;
    dbSpec.info = fixtures::infoJson(QStringLiteral("R"));
    dbSpec.state = state;
    dbSpec.stateTable = stateTable;
    dbSpec.jsonAsBlob = blob;
    return fixtures::writeDb(folder, dbSpec);
}

// A short recording with its playlists, ready for the player; returns its master playlist.
QUrl makePlayableRecording(const QString &folder, int seconds, int numSeconds = -1)
{
    mkrec::RecordingOptions o;
    o.folder = folder;
    o.durationSeconds = seconds;
    o.width = 320;
    o.height = 180;
    if (numSeconds >= 0)
        o.stateNumSeconds = numSeconds;
    if (!mkrec::makeRecording(o).isEmpty())
        return {};
    if (!PlaylistGenerator::generatePlaylists(folder).ok)
        return {};
    return QUrl::fromLocalFile(folder + QStringLiteral("/master.m3u8"));
}

} // namespace

class TestRecordingState : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readsPosition_data();
    void readsPosition();
    void writesPosition_data();
    void writesPosition();
    void writeToMissingDatabase();
    void writeToLockedDatabase();
    void writeKeepsConcurrentChanges();
    void neverWritesThroughLinks_data();
    void neverWritesThroughLinks();
    void readLeavesWriteAheadLogAlone();
    void interruptedWriteKeepsThePosition();
    void resumeChoice_data();
    void resumeChoice();
    void pendingChoiceOperations();
    void otherMediaEndsTracking();
    void playsThroughThePlayer();
    void closingWhileTrackingStoresThePosition();
    void cutShortRecordingPlays();
};

void TestRecordingState::init()
{
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

void TestRecordingState::readsPosition_data()
{
    QTest::addColumn<int>("kind"); // 0: state row, 1: no file, 2: no state table, 3: no row
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<bool>("blob");
    QTest::addColumn<int>("expected");
    QTest::newRow("whole seconds") << 0 << QByteArray("{\"position\":12}") << false << 12;
    QTest::newRow("stored as blob") << 0 << QByteArray("{\"position\":7,\"x\":1}") << true << 7;
    QTest::newRow("fraction is no position")
        << 0 << QByteArray("{\"position\":12.5}") << false << 0;
    QTest::newRow("text is no position") << 0 << QByteArray("{\"position\":\"12\"}") << false << 0;
    QTest::newRow("beyond int") << 0 << QByteArray("{\"position\":1e12}") << false << 0;
    QTest::newRow("no position key") << 0 << QByteArray("{\"num_seconds\":99}") << false << 0;
    QTest::newRow("not json") << 0 << QByteArray("position=12") << false << 0;
    QTest::newRow("array") << 0 << QByteArray("[12]") << false << 0;
    QTest::newRow("no file") << 1 << QByteArray() << false << 0;
    QTest::newRow("no state table") << 2 << QByteArray() << false << 0;
    QTest::newRow("no row") << 3 << QByteArray() << false << 0;
}

void TestRecordingState::readsPosition()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, state);
    QFETCH(bool, blob);
    QFETCH(int, expected);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    if (kind == 1)
        QVERIFY(QDir().mkpath(folder));
    else
        QCOMPARE(makeStateDb(folder, kind == 0 ? std::optional<QByteArray>(state) : std::nullopt,
                             kind != 2, blob),
                 QString());
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    QCOMPARE(RecordingState::doRead(dbOf(folder)), expected);
    QCOMPARE(QFile::exists(dbOf(folder)), kind != 1);
}

void TestRecordingState::writesPosition_data()
{
    // 0: state row, 2: no state table, 3: no row, 4: not a database, 5: damaged database
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QString>("afterFirst"); // empty: nothing written
    QTest::addColumn<QString>("afterSecond");
    QTest::addColumn<QString>("warning");

    QTest::newRow("other keys kept")
        << 0 << QByteArray("{\"num_seconds\":1800,\"position\":3}")
        << QStringLiteral("{\"num_seconds\":1800,\"position\":42}")
        << QStringLiteral("{\"num_seconds\":1800,\"position\":0}") << QString();
    QTest::newRow("no row: insert, then update")
        << 3 << QByteArray() << QStringLiteral("{\"position\":42}")
        << QStringLiteral("{\"position\":0}") << QString();
    QTest::newRow("not json is replaced")
        << 0 << QByteArray("resume at 3") << QStringLiteral("{\"position\":42}")
        << QStringLiteral("{\"position\":0}") << QString();
    QTest::newRow("no state table: never created")
        << 2 << QByteArray() << QString() << QString()
        << QStringLiteral("^RecordingState::doWrite: SELECT failed: \"no such table: state.*\"$");
    QTest::newRow("not a database")
        << 4 << QByteArray() << QString() << QString()
        << QStringLiteral(
               "^RecordingState::doWrite: (BEGIN|SELECT) failed: \".*not a database.*\"$");
    QTest::newRow("damaged database: not written into")
        << 5 << QByteArray("{\"position\":3}") << QString() << QString()
        << QStringLiteral("^RecordingState::doWrite: integrity check failed, not writing into "
                          "\".*sv_metadata.db\" : \".+\"$");
}

void TestRecordingState::writesPosition()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, state);
    QFETCH(QString, afterFirst);
    QFETCH(QString, afterSecond);
    QFETCH(QString, warning);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    if (kind == 4)
        QVERIFY(fixtures::writeFile(dbOf(folder), QByteArray(8192, '\x5a')));
    else
        QCOMPARE(
            makeStateDb(folder,
                        kind == 0 || kind == 5 ? std::optional<QByteArray>(state) : std::nullopt,
                        kind != 2),
            QString());
    if (kind == 5)
        QCOMPARE(fixtures::damageTable(dbOf(folder), QStringLiteral("flow")), QString());
    const QByteArray before = fixtures::readFile(dbOf(folder));

    if (!warning.isEmpty()) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    } else {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    }
    RecordingState::doWrite(dbOf(folder), 42);
    if (!afterFirst.isEmpty()) {
        QCOMPARE(stateText(folder), afterFirst);
        QCOMPARE(fixtures::sqlScalar(dbOf(folder),
                                     QStringLiteral("SELECT typeof(Json) FROM state WHERE ID=1")),
                 QStringLiteral("blob"));
        QCOMPARE(RecordingState::doRead(dbOf(folder)), 42);
    }
    RecordingState::doWrite(dbOf(folder), 0);
    if (!afterSecond.isEmpty()) {
        QCOMPARE(stateText(folder), afterSecond);
        QCOMPARE(fixtures::sqlScalar(dbOf(folder), QStringLiteral("SELECT count(*) FROM state")),
                 QStringLiteral("1"));
    }
    if (kind == 2) {
        QCOMPARE(fixtures::sqlScalar(
                     dbOf(folder),
                     QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='state'")),
                 QStringLiteral("0"));
    }
    if (kind == 4 || kind == 5)
        QCOMPARE(fixtures::readFile(dbOf(folder)), before);
}

void TestRecordingState::writeToMissingDatabase()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString db = dbOf(tmp.path());
    QTest::ignoreMessage(
        QtWarningMsg,
        qPrintable(QStringLiteral("RecordingState::doWrite: db missing \"%1\"").arg(db)));
    RecordingState::doWrite(db, 12);
    QVERIFY(!QFile::exists(db));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestRecordingState::writeToLockedDatabase()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    QCOMPARE(makeStateDb(folder, QByteArray("{\"position\":3}")), QString());
    const QString conn = QStringLiteral("locker-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(dbOf(folder));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 "^RecordingState::doWrite: (BEGIN|SELECT) failed: .*locked")));
        RecordingState::doWrite(dbOf(folder), 42);
        QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
    }
    QSqlDatabase::removeDatabase(conn);
    QCOMPARE(storedPosition(folder), 3);
    // The next write goes through.
    RecordingState::doWrite(dbOf(folder), 44);
    QCOMPARE(storedPosition(folder), 44);
}

// Another program updates the state row while positions are written: the read-modify-write of
// the position never loses one of its updates.
void TestRecordingState::writeKeepsConcurrentChanges()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    QCOMPARE(makeStateDb(folder, QByteArray("{\"box\":0}")), QString());

    std::atomic<bool> stop{false};
    std::atomic<int> boxUpdates{0};
    std::unique_ptr<QThread> box(QThread::create([&] {
        const QString conn = QStringLiteral("box-") + QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
            db.setDatabaseName(dbOf(folder));
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
            if (db.open()) {
                QSqlQuery q(db);
                while (!stop) {
                    if (q.exec(QStringLiteral("UPDATE state SET Json = json_set(Json, '$.box', "
                                              "json_extract(Json, '$.box') + 1) WHERE ID = 1")))
                        ++boxUpdates;
                    QThread::usleep(200);
                }
            }
        }
        QSqlDatabase::removeDatabase(conn);
    }));
    box->start();
    QTRY_VERIFY(boxUpdates >= 5);
    // Go on until both sides have written plenty while the other was busy. A write that meets
    // the box's lock gives up with a warning; the next one goes on.
    const int boxBefore = boxUpdates;
    for (int i = 1; i <= 2000 && (i <= 150 || boxUpdates < boxBefore + 150); ++i)
        RecordingState::doWrite(dbOf(folder), i);
    stop = true;
    box->wait();
    QVERIFY(boxUpdates > 0);
    QCOMPARE(fixtures::sqlScalar(dbOf(folder),
                                 QStringLiteral("SELECT json_extract(Json, '$.box') FROM state")),
             QString::number(boxUpdates));
}

void TestRecordingState::neverWritesThroughLinks_data()
{
    QTest::addColumn<QString>("linked"); // which name in the folder is a link to the victim
    QTest::addColumn<bool>("victimIsDatabase");
    QTest::newRow("database") << QStringLiteral("sv_metadata.db") << true;
    QTest::newRow("rollback journal") << QStringLiteral("sv_metadata.db-journal") << false;
    QTest::newRow("write-ahead log") << QStringLiteral("sv_metadata.db-wal") << false;
    QTest::newRow("shared memory of a left-over log")
        << QStringLiteral("sv_metadata.db-shm") << false;
}

void TestRecordingState::neverWritesThroughLinks()
{
    QFETCH(QString, linked);
    QFETCH(bool, victimIsDatabase);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    const QString outside = tmp.filePath(QStringLiteral("outside"));
    QString victim;
    if (victimIsDatabase) {
        QCOMPARE(makeStateDb(outside, QByteArray("{\"position\":3}")), QString());
        QVERIFY(QDir().mkpath(folder));
        victim = dbOf(outside);
    } else {
        QCOMPARE(makeStateDb(folder, QByteArray("{\"position\":3}")), QString());
        if (linked.endsWith(QLatin1String("-shm")))
            QCOMPARE(fixtures::leaveWriteAheadLog(folder), QString());
        victim = tmp.filePath(QStringLiteral("victim"));
        QVERIFY(fixtures::writeFile(victim, "precious"));
    }
    const QString at = folder + QLatin1Char('/') + linked;
    QVERIFY(QFile::link(victim, at));
    const QByteArray before = fixtures::readFile(victim);

    QTest::ignoreMessage(
        QtWarningMsg,
        qPrintable(
            QStringLiteral("RecordingState::doWrite: not writing through the symbolic link \"%1\"")
                .arg(at)));
    RecordingState::doWrite(dbOf(folder), 42);
    QCOMPARE(fixtures::readFile(victim), before);
    if (!victimIsDatabase) {
        // A reader would write there too (a hot journal is rolled back, the shared memory of a
        // log is written): it reads nothing instead.
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("RecordingState::doRead: not opening \"%1\" "
                                                       ": its companion file \"%2\" is a "
                                                       "symbolic link")
                                            .arg(dbOf(folder), at)));
        QCOMPARE(RecordingState::doRead(dbOf(folder)), 0);
        QCOMPARE(fixtures::readFile(victim), before);
    }
}

void TestRecordingState::readLeavesWriteAheadLogAlone()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    QCOMPARE(makeStateDb(folder, QByteArray("{\"position\":77}")), QString());
    QCOMPARE(fixtures::leaveWriteAheadLog(folder), QString());
    const QByteArray main = fixtures::readFile(dbOf(folder));
    const QByteArray log = fixtures::readFile(dbOf(folder) + QStringLiteral("-wal"));
    QCOMPARE(RecordingState::doRead(dbOf(folder)), 77);
    QCOMPARE(fixtures::readFile(dbOf(folder)), main);
    QCOMPARE(fixtures::readFile(dbOf(folder) + QStringLiteral("-wal")), log);
}

void TestRecordingState::interruptedWriteKeepsThePosition()
{
    // A write killed between its UPDATE and its COMMIT leaves a hot journal. The read-only read
    // must still find the position that was committed, without touching the files, and the next
    // write rolls the journal back and stores its own.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    QCOMPARE(makeStateDb(folder, QByteArray("{\"position\":77,\"num_seconds\":300}")), QString());
    QCOMPARE(
        fixtures::leaveHotJournal(
            folder, QStringLiteral("UPDATE state SET Json = '{\"position\":99}' WHERE ID = 1")),
        QString());
    const QByteArray main = fixtures::readFile(dbOf(folder));
    const QByteArray journal = fixtures::readFile(dbOf(folder) + QStringLiteral("-journal"));

    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    QCOMPARE(RecordingState::doRead(dbOf(folder)), 77);
    QCOMPARE(fixtures::readFile(dbOf(folder)), main);
    QCOMPARE(fixtures::readFile(dbOf(folder) + QStringLiteral("-journal")), journal);

    RecordingState::doWrite(dbOf(folder), 120);
    QCOMPARE(RecordingState::doRead(dbOf(folder)), 120);
    QVERIFY(!QFile::exists(dbOf(folder) + QStringLiteral("-journal")));
    QCOMPARE(fixtures::sqlScalar(dbOf(folder), QStringLiteral("PRAGMA integrity_check")),
             QStringLiteral("ok"));
    // The rest of the committed state came back with the rollback.
    QCOMPARE(QJsonDocument::fromJson(stateText(folder).toUtf8())
                 .object()
                 .value(QStringLiteral("num_seconds")),
             QJsonValue(300));
}

void TestRecordingState::resumeChoice_data()
{
    QTest::addColumn<int>("saved"); // -1: no database
    QTest::addColumn<bool>("offered");
    QTest::newRow("5 is offered") << 5 << true;
    QTest::newRow("4 plays from the start") << 4 << false;
    QTest::newRow("3725 is offered") << 3725 << true;
    QTest::newRow("no database plays from the start") << -1 << false;
}

void TestRecordingState::resumeChoice()
{
    QFETCH(int, saved);
    QFETCH(bool, offered);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    if (saved >= 0)
        QCOMPARE(makeStateDb(folder, QStringLiteral("{\"position\":%1}").arg(saved).toUtf8()),
                 QString());
    else
        QVERIFY(QDir().mkpath(folder));
    const QUrl url = QUrl::fromLocalFile(folder + QStringLiteral("/master.m3u8"));

    RecordingState rs(nullptr);
    QSignalSpy resume(&rs, &RecordingState::resumeRequested);
    QSignalSpy ready(&rs, &RecordingState::playReady);
    rs.play(url, folder);
    if (offered) {
        QCOMPARE(resume.size(), 1);
        QCOMPARE(resume.at(0).at(0).toUrl(), url);
        QCOMPARE(resume.at(0).at(1).toInt(), saved);
        QCOMPARE(ready.size(), 0);
        QVERIFY(!rs.writeTimerActive()); // nothing is written while the choice is open
        QVERIFY(rs.currentDbPath().isEmpty());
        QCOMPARE(rs.pendingDbPath(), dbOf(folder));
    } else {
        QCOMPARE(resume.size(), 0);
        QCOMPARE(ready.size(), 1);
        QCOMPARE(ready.at(0).at(0).toUrl(), url);
        QCOMPARE(ready.at(0).at(1).toInt(), 0);
        QVERIFY(rs.writeTimerActive());
        QCOMPARE(rs.currentDbPath(), dbOf(folder));
    }
    QCOMPARE(QFile::exists(dbOf(folder)), saved >= 0);
}

void TestRecordingState::pendingChoiceOperations()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    QCOMPARE(makeStateDb(folder, QByteArray("{\"position\":95}")), QString());
    const QUrl url = QUrl::fromLocalFile(folder + QStringLiteral("/master.m3u8"));

    RecordingState rs(nullptr);
    QSignalSpy resume(&rs, &RecordingState::resumeRequested);
    QSignalSpy ready(&rs, &RecordingState::playReady);

    // Nothing pending: all three do nothing.
    rs.confirmResume();
    rs.startOver();
    rs.cancelResume();
    QCOMPARE(ready.size(), 0);

    rs.play(url, folder);
    rs.cancelResume();
    QCOMPARE(ready.size(), 0);
    QVERIFY(rs.pendingDbPath().isEmpty());
    rs.confirmResume(); // cancelled: nothing left to confirm
    QCOMPARE(ready.size(), 0);

    rs.play(url, folder);
    rs.confirmResume();
    QCOMPARE(ready.size(), 1);
    QCOMPARE(ready.at(0).at(1).toInt(), 95);
    QVERIFY(rs.writeTimerActive());
    QCOMPARE(rs.currentDbPath(), dbOf(folder));
    QVERIFY(rs.pendingDbPath().isEmpty());
    rs.startOver(); // choice already taken
    QCOMPARE(ready.size(), 1);

    RecordingState other(nullptr);
    QSignalSpy otherReady(&other, &RecordingState::playReady);
    other.play(url, folder);
    other.startOver();
    QCOMPARE(otherReady.size(), 1);
    QCOMPARE(otherReady.at(0).at(0).toUrl(), url);
    QCOMPARE(otherReady.at(0).at(1).toInt(), 0);
    QCOMPARE(resume.size(), 2);
}

// A file opened straight into the player (File > Open) while a recording is tracked: its time
// must never be stored as the recording's position, neither periodically nor on its stop or end.
void TestRecordingState::otherMediaEndsTracking()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    QCOMPARE(makeStateDb(folder, QByteArray("{\"position\":3}")), QString());
    const QUrl url = QUrl::fromLocalFile(folder + QStringLiteral("/master.m3u8"));

    VlcPlayer player;
    RecordingState rs(&player);
    connect(&rs, &RecordingState::playReady, &player,
            [&](const QUrl &u, int start) { player.openAt(u, start); });
    rs.play(url, folder);
    QCOMPARE(player.currentMedia(), url);
    // Opening the tracked recording's own media keeps tracking it.
    QCOMPARE(rs.currentDbPath(), dbOf(folder));
    QVERIFY(rs.writeTimerActive());

    player.open(QUrl::fromLocalFile(tmp.filePath(QStringLiteral("elsewhere/other.m3u8"))));
    QVERIFY(rs.currentDbPath().isEmpty());
    QVERIFY(!rs.writeTimerActive());
    rs.onWriteTimer();
    player.stop();
    rs.onPlaybackEnded();
    rs.waitForWrites();
    QCOMPARE(stateText(folder), QStringLiteral("{\"position\":3}"));
}

// The whole road through libvlc: a generated recording with playlists, played, stopped,
// resumed and played to its end.
void TestRecordingState::playsThroughThePlayer()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    const QUrl url = makePlayableRecording(folder, 26, 26);
    QVERIFY(url.isValid());

    VlcPlayer player;
    QVERIFY(player.hasEngine());
    VlcVideoItem item;
    item.setPlayer(&player);
    RecordingState rs(&player);
    // As the scene does: every playReady opens the media.
    connect(&rs, &RecordingState::playReady, &player,
            [&](const QUrl &u, int start) { player.openAt(u, start); });
    QSignalSpy resume(&rs, &RecordingState::resumeRequested);
    QSignalSpy ready(&rs, &RecordingState::playReady);

    // 1. Nothing saved: plays from the start, and the position is written every 10 seconds
    // while it plays: about 10 s and 20 s after the start, nothing in between. The timer runs on
    // the wall clock, so the check does too (a slow machine plays behind it). A coarse timer
    // may fire up to 5 % early.
    QElapsedTimer clock;
    clock.start();
    rs.play(url, folder);
    QCOMPARE(ready.size(), 1);
    QCOMPARE(ready.at(0).at(1).toInt(), 0);
    QList<int> written;
    QList<qint64> seenAt;
    QStringList writtenText;
    const auto note = [&] {
        const int stored = storedPosition(folder);
        if (stored >= 0 && (written.isEmpty() || written.last() != stored)) {
            written.append(stored);
            seenAt.append(clock.elapsed());
            writtenText.append(QStringLiteral("%1 s at %2 ms").arg(stored).arg(clock.elapsed()));
        }
    };
    while (clock.elapsed() < 21500) {
        QTest::qWait(150);
        note();
    }
    rs.waitForWrites();
    note();
    QVERIFY2(
        written.size() == 2 && seenAt.at(0) >= 9400 && seenAt.at(0) < 13000 &&
            seenAt.at(1) - seenAt.at(0) > 8500 && seenAt.at(1) - seenAt.at(0) < 11500,
        qPrintable(QStringLiteral("positions written: ") + writtenText.join(QStringLiteral(", "))));

    // 2. Picking the recording that is playing stores where it is and offers to resume there.
    rs.play(url, folder);
    const int repicked = int(player.time() / 1000);
    QCOMPARE(resume.size(), 1);
    QVERIFY(resume.at(0).at(1).toInt() >= written.last());
    QVERIFY(resume.at(0).at(1).toInt() <= repicked);
    QCOMPARE(storedPosition(folder), resume.at(0).at(1).toInt());

    // 3. Resuming opens the media at the saved second. libvlc starts an HLS presentation at
    // the segment that holds the start time (segments here are 6 s long), so the check is that
    // playback did not start from the beginning.
    const int resumeAt = resume.at(0).at(1).toInt();
    rs.confirmResume();
    QCOMPARE(ready.size(), 2);
    QCOMPARE(ready.at(1).at(0).toUrl(), url);
    QCOMPARE(ready.at(1).at(1).toInt(), resumeAt);
    QTRY_VERIFY_WITH_TIMEOUT(player.playing(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(player.time() > 0, 10000);
    QVERIFY2(player.time() >= 3000, qPrintable(QString::number(player.time())));

    // 4. Stop at a known time: the stored position is the player's time in whole seconds, and
    // the other keys of the state object stay.
    QTRY_VERIFY_WITH_TIMEOUT(player.time() >= 22500, 10000);
    player.stop();
    const int stoppedAt = int(player.time() / 1000);
    rs.waitForWrites();
    QCOMPARE(stateText(folder),
             QStringLiteral("{\"num_seconds\":26,\"position\":%1}").arg(stoppedAt));
    QVERIFY(!rs.writeTimerActive());

    // 5. The next pick offers that position; starting over and playing to the end stores 0.
    rs.play(url, folder);
    QCOMPARE(resume.size(), 2);
    QCOMPARE(resume.at(1).at(1).toInt(), stoppedAt);
    rs.startOver();
    QCOMPARE(ready.size(), 3);
    QCOMPARE(ready.at(2).at(1).toInt(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(player.playing(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(player.length() > 0, 10000);
    QSignalSpy ended(&player, &VlcPlayer::playbackEnded);
    player.seek(0.85);
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 15000);
    rs.waitForWrites();
    QCOMPARE(stateText(folder), QStringLiteral("{\"num_seconds\":26,\"position\":0}"));
    QVERIFY(rs.currentDbPath().isEmpty());
}

// Closing the program while a recording plays stores where it was, not the last 10-second write.
void TestRecordingState::closingWhileTrackingStoresThePosition()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    const QUrl url = makePlayableRecording(folder, 12);
    QVERIFY(url.isValid());

    VlcPlayer player;
    QVERIFY(player.hasEngine());
    VlcVideoItem item;
    item.setPlayer(&player);
    auto rs = std::make_unique<RecordingState>(&player);
    connect(rs.get(), &RecordingState::playReady, &player,
            [&](const QUrl &u, int start) { player.openAt(u, start); });
    rs->play(url, folder);
    QTRY_VERIFY_WITH_TIMEOUT(player.time() >= 6200, 15000);

    // The back end goes in reverse order of creation: the recording state before the player.
    const int expected = int(player.time() / 1000);
    rs.reset();
    const int stored = storedPosition(folder);
    QVERIFY2(stored >= expected && stored <= expected + 1, qPrintable(QString::number(stored)));
}

// The box stopped in the middle of a fragment: the part that exists plays to its end.
void TestRecordingState::cutShortRecordingPlays()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    mkrec::RecordingOptions o;
    o.folder = tmp.filePath(QStringLiteral("rec"));
    o.durationSeconds = 12;
    o.width = 320;
    o.height = 180;
    QCOMPARE(mkrec::makeRecording(o), QString());
    for (const char *name : {"video1.ts", "audio1.ts"}) {
        QFile media(o.folder + QLatin1Char('/') + QLatin1String(name));
        // Past the middle of a 2 s fragment, not on a packet boundary.
        QVERIFY(media.resize(media.size() * 55 / 100 + 77));
    }
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral(
                             "^PlaylistGenerator: \"(video|audio)1.ts\" is cut short")));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral(
                             "^PlaylistGenerator: \"(video|audio)1.ts\" is cut short")));
    const PlaylistGenerator::Result r = PlaylistGenerator::generatePlaylists(o.folder);
    QVERIFY2(r.ok, qPrintable(r.error));

    VlcPlayer player;
    QVERIFY(player.hasEngine());
    VlcVideoItem item;
    item.setPlayer(&player);
    QSignalSpy ended(&player, &VlcPlayer::playbackEnded);
    player.open(QUrl::fromLocalFile(o.folder + QStringLiteral("/master.m3u8")));
    QTRY_VERIFY_WITH_TIMEOUT(player.playing(), 10000);
    // About 6 of the 12 seconds are left, in whole fragments.
    QTRY_VERIFY_WITH_TIMEOUT(player.length() > 0, 10000);
    QVERIFY2(player.length() >= 3500 && player.length() <= 7500,
             qPrintable(QString::number(player.length())));
    QTRY_VERIFY_WITH_TIMEOUT(player.time() >= 1000, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 15000);
}

QTEST_MAIN(TestRecordingState)
#include "tst_recordingstate.moc"
