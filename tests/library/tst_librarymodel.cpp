// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "libraryfixtures.h"
#include "librarymodel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using fixtures::DbSpec;

namespace {

QString addRecording(const QString &root, const QString &folder, const QByteArray &info,
                     const std::optional<QByteArray> &state = std::nullopt)
{
    DbSpec dbSpec;
    dbSpec.info = info;
    dbSpec.state = state;
    return fixtures::writeDb(root + QLatin1Char('/') + folder, dbSpec);
}

QStringList column(const LibraryModel &m, int role)
{
    QStringList out;
    for (int i = 0; i < m.rowCount(); ++i)
        out.append(m.index(i).data(role).toString());
    return out;
}

QString quoted(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

} // namespace

class TestLibraryModel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roleNamesAndIds();
    void readsFields_data();
    void readsFields();
    void skipsFoldersThatAreNotRecordings_data();
    void skipsFoldersThatAreNotRecordings();
    void lockedDatabases();
    void scanLeavesWriteAheadLogAlone();
    void scanReadsPastAnInterruptedWrite();
    void rootStates();
    void sortOrder();
    void setRootOnlyRescansOnChange();
    void dataTypes();
    void recordingForUrl();
    void markPlaylistGenerated();
};

void TestLibraryModel::init()
{
    // The scan never leaves a database connection behind.
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

void TestLibraryModel::roleNamesAndIds()
{
    LibraryModel m;
    const QHash<int, QByteArray> roles = m.roleNames();
    const QHash<int, QByteArray> expected{
        {257, "name"},        {258, "title"},      {259, "seasonEpisode"}, {260, "channel"},
        {261, "description"}, {262, "masterUrl"},  {263, "path"},          {264, "hasPlaylist"},
        {265, "atscVersion"}, {266, "recordedAt"}, {267, "duration"},      {268, "posterUrl"}};
    QCOMPARE(roles, expected);
}

void TestLibraryModel::readsFields_data()
{
    QTest::addColumn<QByteArray>("info");
    QTest::addColumn<QByteArray>("state"); // empty: no state row
    QTest::addColumn<QString>("seasonEpisode");
    QTest::addColumn<int>("season");
    QTest::addColumn<int>("episode");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<int>("atsc");
    QTest::addColumn<int>("duration");
    QTest::addColumn<qint64>("recordedAtMs"); // -1: invalid

    const QByteArray none;
    QTest::newRow("numbers") << fixtures::infoJson(
                                    QStringLiteral("Show"),
                                    QStringLiteral("\"season_num\":2,\"episode_num\":5,"
                                                   "\"duration\":1800,\"start_time\":1700000000"),
                                    QStringLiteral("3000000000007005"))
                             << none << QStringLiteral("S2E5") << 2 << 5
                             << QStringLiteral("7.5 (ATSC-3)") << 3 << 1800 << 1700000000000LL;
    QTest::newRow("season without episode")
        << fixtures::infoJson(QStringLiteral("Show"), QStringLiteral("\"season_num\":2")) << none
        << QString() << 2 << -1 << QString() << -1 << 0 << qint64(-1);
    QTest::newRow("text season and episode")
        << fixtures::infoJson(QStringLiteral("Show"),
                              QStringLiteral("\"season_num\":\"02\",\"episode_num\":\"E1\""))
        << none << QStringLiteral("S02EE1") << 2 << -1 << QString() << -1 << 0 << qint64(-1);
    QTest::newRow("season 0 episode 0")
        << fixtures::infoJson(QStringLiteral("Show"),
                              QStringLiteral("\"season_num\":0,\"episode_num\":0"))
        << none << QStringLiteral("S0E0") << 0 << 0 << QString() << -1 << 0 << qint64(-1);
    QTest::newRow("num_seconds wins over duration")
        << fixtures::infoJson(QStringLiteral("Show"), QStringLiteral("\"duration\":1800"))
        << QByteArray("{\"num_seconds\":1234.9,\"position\":7}") << QString() << -1 << -1
        << QString() << -1 << 1234 << qint64(-1);
    QTest::newRow("num_seconds null falls back")
        << fixtures::infoJson(QStringLiteral("Show"), QStringLiteral("\"duration\":1800"))
        << QByteArray("{\"num_seconds\":null}") << QString() << -1 << -1 << QString() << -1 << 1800
        << qint64(-1);
    QTest::newRow("state not json")
        << fixtures::infoJson(QStringLiteral("Show"), QStringLiteral("\"duration\":60"))
        << QByteArray("garbage") << QString() << -1 << -1 << QString() << -1 << 60 << qint64(-1);
    QTest::newRow("duration not numeric")
        << fixtures::infoJson(QStringLiteral("Show"), QStringLiteral("\"duration\":\"long\""))
        << none << QString() << -1 << -1 << QString() << -1 << 0 << qint64(-1);
    QTest::newRow("start time in milliseconds, ATSC 1")
        << fixtures::infoJson(QStringLiteral("Show"),
                              QStringLiteral("\"start_time\":1700000000000"),
                              QStringLiteral("1000000000002001"))
        << none << QString() << -1 << -1 << QStringLiteral("2.1 (ATSC-1)") << 1 << 0
        << 1700000000000LL;
    QTest::newRow("start time as words, channel not hex")
        << fixtures::infoJson(QStringLiteral("Show"),
                              QStringLiteral("\"start_time\":\"yesterday\""), QStringLiteral("ch7"))
        << none << QString() << -1 << -1 << QString() << -1 << 0 << qint64(-1);
    QTest::newRow("channel id not a string")
        << QByteArray("{\"program\":{\"name\":\"Show\"},\"channel\":{\"id\":12288}}") << none
        << QString() << -1 << -1 << QString() << -1 << 0 << qint64(-1);
}

void TestLibraryModel::readsFields()
{
    QFETCH(QByteArray, info);
    QFETCH(QByteArray, state);
    QFETCH(QString, seasonEpisode);
    QFETCH(int, season);
    QFETCH(int, episode);
    QFETCH(QString, channel);
    QFETCH(int, atsc);
    QFETCH(int, duration);
    QFETCH(qint64, recordedAtMs);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    DbSpec dbSpec;
    dbSpec.info = info;
    if (!state.isEmpty())
        dbSpec.state = state;
    const QString folder = tmp.filePath(QStringLiteral("rec"));
    QCOMPARE(fixtures::writeDb(folder, dbSpec), QString());

    LocalRecording r;
    QVERIFY(LibraryModel::readRecording(folder, r));
    QCOMPARE(r.name, QStringLiteral("Show"));
    QCOMPARE(r.seasonEpisode, seasonEpisode);
    QCOMPARE(r.season, season);
    QCOMPARE(r.episode, episode);
    QCOMPARE(r.channel, channel);
    QCOMPARE(r.atscVersion, atsc);
    QCOMPARE(r.duration, duration);
    if (recordedAtMs < 0) {
        QVERIFY(!r.recordedAt.isValid());
    } else {
        QCOMPARE(r.recordedAt.toMSecsSinceEpoch(), recordedAtMs);
        QCOMPARE(r.recordedAt.timeSpec(), Qt::LocalTime);
    }
    QCOMPARE(r.path, folder);
    QCOMPARE(r.masterUrl, QUrl::fromLocalFile(folder + QStringLiteral("/master.m3u8")));
    QVERIFY(!r.hasPlaylist);
    QVERIFY(r.posterUrl.isEmpty());
}

void TestLibraryModel::skipsFoldersThatAreNotRecordings_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("warning"); // regular expression; empty: no warning at all

    QTest::newRow("no database") << 0 << QString();
    QTest::newRow("no info row") << 1 << QString();
    QTest::newRow("empty info text") << 2 << QString();
    QTest::newRow("malformed info")
        << 3
        << QStringLiteral("^LibraryModel: JSON parse failed for \".*sv_metadata.db\" : \".+\"$");
    QTest::newRow("info is an array")
        << 4 << QStringLiteral("^LibraryModel: JSON parse failed for \".*sv_metadata.db\" : ");
    QTest::newRow("no info table")
        << 5
        << QStringLiteral("^LibraryModel: query failed for \".*sv_metadata.db\" : \".*no such "
                          "table: info.*\"$");
    QTest::newRow("not a database")
        << 6 << QStringLiteral("^LibraryModel: query failed for \".*sv_metadata.db\" : \".*\"$");
    QTest::newRow("database is a folder") << 7 << QString();
    QTest::newRow("shared-memory file is a link")
        << 8
        << QStringLiteral("^LibraryModel: not opening \".*sv_metadata.db\" : its companion file "
                          "\".*sv_metadata.db-shm\" is a symbolic link$");
}

void TestLibraryModel::skipsFoldersThatAreNotRecordings()
{
    QFETCH(int, kind);
    QFETCH(QString, warning);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QCOMPARE(addRecording(tmp.path(), QStringLiteral("good"),
                          fixtures::infoJson(QStringLiteral("Good"))),
             QString());
    const QString bad = tmp.filePath(QStringLiteral("bad"));
    DbSpec dbSpec;
    switch (kind) {
    case 0:
        QVERIFY(QDir().mkpath(bad));
        QVERIFY(fixtures::writeFile(bad + QStringLiteral("/video1.ts"), "x"));
        break;
    case 1:
        QCOMPARE(fixtures::writeDb(bad, dbSpec), QString());
        break;
    case 2:
        dbSpec.info = QByteArray("");
        QCOMPARE(fixtures::writeDb(bad, dbSpec), QString());
        break;
    case 3:
        dbSpec.info = QByteArray("{\"program\": {\"name\": \"Bad\"");
        QCOMPARE(fixtures::writeDb(bad, dbSpec), QString());
        break;
    case 4:
        dbSpec.info = QByteArray("[{\"program\": {}}]");
        QCOMPARE(fixtures::writeDb(bad, dbSpec), QString());
        break;
    case 5:
        dbSpec.infoTable = false;
        QCOMPARE(fixtures::writeDb(bad, dbSpec), QString());
        break;
    case 6:
        QVERIFY(
            fixtures::writeFile(bad + QStringLiteral("/sv_metadata.db"), QByteArray(4096, '\x47')));
        break;
    case 7:
        QVERIFY(QDir().mkpath(bad + QStringLiteral("/sv_metadata.db")));
        break;
    case 8:
        dbSpec.info = fixtures::infoJson(QStringLiteral("Bad"));
        QCOMPARE(fixtures::writeDb(bad, dbSpec), QString());
        QCOMPARE(fixtures::leaveWriteAheadLog(bad), QString());
        QVERIFY(fixtures::writeFile(tmp.filePath(QStringLiteral("victim")), "precious"));
        QVERIFY(QFile::link(tmp.filePath(QStringLiteral("victim")),
                            bad + QStringLiteral("/sv_metadata.db-shm")));
        break;
    }
    const QByteArray before = fixtures::readFile(bad + QStringLiteral("/sv_metadata.db"));

    if (warning.isEmpty())
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    else
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    const QList<LocalRecording> rows = LibraryModel::scanLibrary(QUrl::fromLocalFile(tmp.path()));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().name, QStringLiteral("Good"));
    // Reading never creates or changes the database file.
    QCOMPARE(QFile::exists(bad + QStringLiteral("/sv_metadata.db")), kind != 0);
    if (kind != 7)
        QCOMPARE(fixtures::readFile(bad + QStringLiteral("/sv_metadata.db")), before);
    if (kind == 8)
        QCOMPARE(fixtures::readFile(tmp.filePath(QStringLiteral("victim"))),
                 QByteArray("precious"));
}

void TestLibraryModel::lockedDatabases()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QStringList names{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                            QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f")};
    for (const QString &name : names)
        QCOMPARE(addRecording(tmp.path(), name, fixtures::infoJson(name.toUpper())), QString());
    LibraryModel m;
    m.setLibraryRoot(QUrl::fromLocalFile(tmp.path()));
    QCOMPARE(m.count(), 6);
    // A recording that appears while it is locked.
    QCOMPARE(addRecording(tmp.path(), QStringLiteral("g"), fixtures::infoJson(QStringLiteral("G"))),
             QString());

    // The box holds a, c, d, e and g locked, as while it writes them.
    QStringList connections;
    const auto unlock = [&] {
        for (const QString &conn : std::as_const(connections)) {
            QSqlDatabase::database(conn).rollback();
            QSqlDatabase::database(conn).close();
            QSqlDatabase::removeDatabase(conn);
        }
        connections.clear();
    };
    // Also when a check below fails, so that the next tests find no connection left.
    const auto unlockOnExit = qScopeGuard(unlock);
    for (const QString &name : {QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("d"),
                                QStringLiteral("e"), QStringLiteral("g")}) {
        const QString conn = QStringLiteral("locker-") + QUuid::createUuid().toString();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(tmp.filePath(name + QStringLiteral("/sv_metadata.db")));
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        connections.append(conn);
    }
    for (const char *name : {"a", "c", "d", "e"})
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("LibraryModel: database locked, keeping the "
                                                       "last listing of \"%1\"")
                                            .arg(tmp.filePath(QLatin1String(name)))));
    QTest::ignoreMessage(
        QtWarningMsg, qPrintable(QStringLiteral("LibraryModel: database locked, not listed until "
                                                "the next refresh: \"%1\"")
                                     .arg(tmp.filePath(QStringLiteral("g")))));
    QElapsedTimer clock;
    clock.start();
    m.refresh();
    // Five locked folders cost the scan's short budget, not the driver's 5 s each.
    QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(column(m, LibraryModel::NameRole),
             (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                          QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F")}));

    unlock();
    // Once free, the next refresh reads them all.
    m.refresh();
    QCOMPARE(m.count(), 7);
}

void TestLibraryModel::scanLeavesWriteAheadLogAlone()
{
    // What a killed writer left: the scan reads through the log without folding it into the file.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QCOMPARE(addRecording(tmp.path(), QStringLiteral("a"), fixtures::infoJson(QStringLiteral("A")),
                          QByteArray("{\"num_seconds\":61}")),
             QString());
    QCOMPARE(fixtures::leaveWriteAheadLog(tmp.filePath(QStringLiteral("a"))), QString());
    const QString db = tmp.filePath(QStringLiteral("a/sv_metadata.db"));
    const QByteArray main = fixtures::readFile(db);
    const QByteArray log = fixtures::readFile(db + QStringLiteral("-wal"));
    const QList<LocalRecording> rows = LibraryModel::scanLibrary(QUrl::fromLocalFile(tmp.path()));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().duration, 61);
    QCOMPARE(fixtures::readFile(db), main);
    QCOMPARE(fixtures::readFile(db + QStringLiteral("-wal")), log);
}

void TestLibraryModel::scanReadsPastAnInterruptedWrite()
{
    // A position write killed inside its transaction leaves a hot journal, which a read-only
    // connection may not roll back: the recording stays listed with what was committed, and the
    // files stay as they were.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QCOMPARE(addRecording(tmp.path(), QStringLiteral("a"), fixtures::infoJson(QStringLiteral("A")),
                          QByteArray("{\"num_seconds\":61}")),
             QString());
    QCOMPARE(fixtures::leaveHotJournal(tmp.filePath(QStringLiteral("a")),
                                       QStringLiteral("UPDATE state SET Json = "
                                                      "'{\"num_seconds\":5}' WHERE ID = 1")),
             QString());
    const QString db = tmp.filePath(QStringLiteral("a/sv_metadata.db"));
    const QByteArray main = fixtures::readFile(db);
    const QByteArray journal = fixtures::readFile(db + QStringLiteral("-journal"));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    const QList<LocalRecording> rows = LibraryModel::scanLibrary(QUrl::fromLocalFile(tmp.path()));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().name, QStringLiteral("A"));
    QCOMPARE(rows.first().duration, 61);
    QCOMPARE(fixtures::readFile(db), main);
    QCOMPARE(fixtures::readFile(db + QStringLiteral("-journal")), journal);
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

void TestLibraryModel::rootStates()
{
    LibraryModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);

    // A root that is not a local file: empty, and not a word in the log.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    QVERIFY(
        LibraryModel::scanLibrary(QUrl(QStringLiteral("http://box.local/recordings"))).isEmpty());
    QVERIFY(LibraryModel::scanLibrary(QUrl()).isEmpty());
}

void TestLibraryModel::sortOrder()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    struct Row
    {
        const char *folder;
        const char *name;
        const char *extra;
    };
    // Folder names are chosen so that folder order differs from the expected row order.
    const Row rows[] = {
        {"a1", "news", "\"season_num\":1,\"episode_num\":2"},
        {"a2", "News", "\"season_num\":1,\"episode_num\":1"},
        {"b1", "News", "\"season_num\":1,\"episode_num\":1,\"title\":\"second by folder\""},
        {"b2", "news", "\"season_num\":0,\"episode_num\":9"},
        {"c1", "NEWS", ""},
        {"c2", "Alpha", "\"season_num\":3,\"episode_num\":1"},
        {"Z0", "zebra", ""},
        {"c3", "news", "\"season_num\":\"x\",\"episode_num\":4"},
    };
    for (const Row &r : rows)
        QCOMPARE(addRecording(tmp.path(), QLatin1String(r.folder),
                              fixtures::infoJson(QLatin1String(r.name), QLatin1String(r.extra))),
                 QString());
    // Folder order is a plain case-sensitive order ("Z0" before "a1"); equal keys keep it.
    const QList<LocalRecording> list = LibraryModel::scanLibrary(QUrl::fromLocalFile(tmp.path()));
    QStringList folders;
    for (const LocalRecording &r : list)
        folders.append(QDir(r.path).dirName());
    QCOMPARE(folders, (QStringList{QStringLiteral("c2"), QStringLiteral("c1"), QStringLiteral("c3"),
                                   QStringLiteral("b2"), QStringLiteral("a2"), QStringLiteral("b1"),
                                   QStringLiteral("a1"), QStringLiteral("Z0")}));
}

void TestLibraryModel::setRootOnlyRescansOnChange()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QCOMPARE(
        addRecording(tmp.path(), QStringLiteral("one"), fixtures::infoJson(QStringLiteral("One"))),
        QString());
    LibraryModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QStringList order;
    connect(&m, &LibraryModel::libraryRootChanged, this, [&] { order << QStringLiteral("root"); });
    connect(&m, &LibraryModel::countChanged, this, [&] { order << QStringLiteral("count"); });
    QSignalSpy resets(&m, &QAbstractItemModel::modelReset);

    const QUrl root = QUrl::fromLocalFile(tmp.path());
    QTest::ignoreMessage(
        QtDebugMsg, qPrintable(QStringLiteral("LibraryModel::refresh() loaded 1 records from ") +
                               quoted(tmp.path())));
    m.setLibraryRoot(root);
    QCOMPARE(order, (QStringList{QStringLiteral("root"), QStringLiteral("count")}));
    QCOMPARE(m.count(), 1);
    QCOMPARE(m.libraryRoot(), root);

    QCOMPARE(
        addRecording(tmp.path(), QStringLiteral("two"), fixtures::infoJson(QStringLiteral("Two"))),
        QString());
    m.setLibraryRoot(root);
    QCOMPARE(resets.size(), 1);
    QCOMPARE(m.count(), 1);

    QTest::ignoreMessage(
        QtDebugMsg, qPrintable(QStringLiteral("LibraryModel::refresh() loaded 2 records from ") +
                               quoted(tmp.path())));
    m.refresh();
    QCOMPARE(resets.size(), 2);
    QCOMPARE(m.count(), 2);
    QCOMPARE(column(m, LibraryModel::NameRole),
             (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));

    // A missing folder: the warning, and the rows go away.
    const QString gone = tmp.filePath(QStringLiteral("missing"));
    QTest::ignoreMessage(
        QtWarningMsg,
        qPrintable(QStringLiteral("LibraryModel: library root does not exist: ") + quoted(gone)));
    QTest::ignoreMessage(
        QtDebugMsg, qPrintable(QStringLiteral("LibraryModel::refresh() loaded 0 records from ") +
                               quoted(gone)));
    m.setLibraryRoot(QUrl::fromLocalFile(gone));
    QCOMPARE(m.count(), 0);
    QCOMPARE(m.rowCount(), 0);
}

void TestLibraryModel::dataTypes()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QCOMPARE(
        addRecording(tmp.path(), QStringLiteral("p"),
                     fixtures::infoJson(QStringLiteral("P"),
                                        QStringLiteral("\"start_time\":\"2023-11-14T22:13:20Z\""),
                                        QStringLiteral("1000000000002001"))),
        QString());
    QCOMPARE(addRecording(tmp.path(), QStringLiteral("q"), fixtures::infoJson(QStringLiteral("Q"))),
             QString());
    QVERIFY(fixtures::writeFile(tmp.filePath(QStringLiteral("p/poster.png")), "png"));
    QVERIFY(fixtures::writeFile(tmp.filePath(QStringLiteral("p/master.m3u8")), "#EXTM3U"));

    LibraryModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    m.setLibraryRoot(QUrl::fromLocalFile(tmp.path()));
    QCOMPARE(m.rowCount(), 2);
    const QModelIndex p = m.index(0);
    const QModelIndex q = m.index(1);
    QCOMPARE(p.data(LibraryModel::MasterUrlRole).metaType(), QMetaType::fromType<QUrl>());
    QCOMPARE(p.data(LibraryModel::PosterUrlRole).toUrl(),
             QUrl::fromLocalFile(tmp.filePath(QStringLiteral("p/poster.png"))));
    QCOMPARE(p.data(LibraryModel::HasPlaylistRole).metaType(), QMetaType::fromType<bool>());
    QCOMPARE(p.data(LibraryModel::HasPlaylistRole).toBool(), true);
    QCOMPARE(q.data(LibraryModel::HasPlaylistRole).toBool(), false);
    QCOMPARE(p.data(LibraryModel::AtscVersionRole).metaType(), QMetaType::fromType<int>());
    QCOMPARE(p.data(LibraryModel::DurationRole).metaType(), QMetaType::fromType<int>());
    QCOMPARE(p.data(LibraryModel::ChannelRole).metaType(), QMetaType::fromType<QString>());
    QCOMPARE(p.data(266).metaType(), QMetaType::fromType<QDateTime>());
    QCOMPARE(p.data(266).toDateTime().toMSecsSinceEpoch(), 1700000000000LL);
    QVERIFY(!q.data(266).isValid()); // no start time: undefined in QML
    QVERIFY(q.data(LibraryModel::PosterUrlRole).toUrl().isEmpty());
    QVERIFY(!p.data(256).isValid());
    QVERIFY(!p.data(269).isValid());
    QVERIFY(!p.data(Qt::DisplayRole).isValid());
    QVERIFY(!m.data(QModelIndex(), LibraryModel::NameRole).isValid());
    QCOMPARE(m.rowCount(p), 0);
}

void TestLibraryModel::recordingForUrl()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QCOMPARE(addRecording(tmp.path(), QStringLiteral("r"),
                          fixtures::infoJson(QStringLiteral("R"),
                                             QStringLiteral("\"title\":\"T\",\"duration\":90"),
                                             QStringLiteral("3000000000007005"))),
             QString());
    LibraryModel m;
    m.setLibraryRoot(QUrl::fromLocalFile(tmp.path()));
    const QUrl url = QUrl::fromLocalFile(tmp.filePath(QStringLiteral("r/master.m3u8")));
    const QVariantMap map = m.recordingForUrl(url);
    QStringList keys = map.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{QStringLiteral("channel"), QStringLiteral("description"),
                                QStringLiteral("duration"), QStringLiteral("hasPlaylist"),
                                QStringLiteral("masterUrl"), QStringLiteral("name"),
                                QStringLiteral("path"), QStringLiteral("posterUrl"),
                                QStringLiteral("recordedAt"), QStringLiteral("seasonEpisode"),
                                QStringLiteral("title")}));
    QCOMPARE(map.value(QStringLiteral("name")).toString(), QStringLiteral("R"));
    QCOMPARE(map.value(QStringLiteral("channel")).toString(), QStringLiteral("7.5 (ATSC-3)"));
    QCOMPARE(map.value(QStringLiteral("duration")).metaType(), QMetaType::fromType<int>());
    QCOMPARE(map.value(QStringLiteral("duration")).toInt(), 90);
    QCOMPARE(map.value(QStringLiteral("masterUrl")).toUrl(), url);
    QVERIFY(!map.value(QStringLiteral("recordedAt")).isValid());
    QVERIFY(
        m.recordingForUrl(QUrl::fromLocalFile(tmp.filePath(QStringLiteral("other/master.m3u8"))))
            .isEmpty());
    QVERIFY(m.recordingForUrl(QUrl()).isEmpty());
}

void TestLibraryModel::markPlaylistGenerated()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    for (const char *name : {"a", "b"})
        QCOMPARE(
            addRecording(tmp.path(), QLatin1String(name), fixtures::infoJson(QLatin1String(name))),
            QString());
    LibraryModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    m.setLibraryRoot(QUrl::fromLocalFile(tmp.path()));
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);

    const QString b = m.index(1).data(LibraryModel::PathRole).toString();
    m.markPlaylistGenerated(b);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), m.index(1));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), m.index(1));
    QCOMPARE(changed.at(0).at(2).value<QList<int>>(), QList<int>{264});
    QCOMPARE(m.index(1).data(LibraryModel::HasPlaylistRole).toBool(), true);
    QCOMPARE(m.index(0).data(LibraryModel::HasPlaylistRole).toBool(), false);

    for (const QString &wrong : QStringList{b.toUpper(), b + QLatin1Char('/')}) {
        QTest::ignoreMessage(
            QtWarningMsg,
            qPrintable(QStringLiteral("LibraryModel::markPlaylistGenerated: no row matches ") +
                       quoted(wrong)));
        m.markPlaylistGenerated(wrong);
    }
    QCOMPARE(changed.size(), 1);
}

QTEST_GUILESS_MAIN(TestLibraryModel)
#include "tst_librarymodel.moc"
