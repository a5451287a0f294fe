// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Library scan of 1,000 recording folders: LibraryModel's scan against the least work that
// gets the same facts (list the folders; per folder open the database read-only, run the two
// SELECTs, close), both measured in the same run.
// Usage: bench_libraryscan [runs]
#include "librarymodel.h"
#include "recordingmaker.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kFolders = 1000;

QString makeLibrary(const QString &root)
{
    if (QFile::exists(root + QStringLiteral("/.complete")))
        return {};
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    std::printf("making %d recording folders in %s ...\n", kFolders, qPrintable(root));
    std::fflush(stdout);
    for (int i = 0; i < kFolders; ++i) {
        mkrec::RecordingOptions o;
        o.name = QStringLiteral("Programme %1").arg(i % 97);
        o.title = QStringLiteral("Episode title %1").arg(i);
        o.description =
            QStringLiteral("A description of some length for recording %1. ").arg(i).repeated(4);
        o.season = QString::number(1 + i % 7);
        o.episode = QString::number(1 + i % 23);
        o.channelId = QStringLiteral("%1000000000%2%3")
                          .arg(i % 2 ? 3 : 1)
                          .arg(2 + i % 40, 3, 16, QLatin1Char('0'))
                          .arg(1 + i % 9, 3, 16, QLatin1Char('0'));
        o.startTime = QString::number(1700000000LL + i * 3600LL);
        o.durationSeconds = 1800;
        o.statePosition = i % 3 ? 0 : 600;
        o.stateNumSeconds = 1800;
        QList<qint64> ranges;
        for (int k = 0; k < 900; ++k)
            ranges.append(qint64(k) * 250000);
        QString playlist;
        for (int k = 0; k < 900; ++k)
            playlist += QStringLiteral("#EXTINF:2.002,\nvideo1.ts\n");
        const QList<mkrec::FlowRow> flows{{QStringLiteral("video"), 1, ranges, {}, playlist},
                                          {QStringLiteral("audio"), 1, ranges, {}, playlist}};
        const QString folder = root + QStringLiteral("/rec-%1").arg(i, 4, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        const QJsonObject state = mkrec::stateObject(o);
        const QString err = mkrec::writeMetadataDb(folder + QStringLiteral("/sv_metadata.db"),
                                                   mkrec::infoObject(o), &state, flows);
        if (!err.isEmpty())
            return err;
        if (i % 3 == 0)
            QFile(folder + QStringLiteral("/master.m3u8")).open(QIODevice::WriteOnly);
        if (i % 5 == 0)
            QFile(folder + QStringLiteral("/poster.png")).open(QIODevice::WriteOnly);
    }
    QFile(root + QStringLiteral("/.complete")).open(QIODevice::WriteOnly);
    return {};
}

QStringList folders(const QString &root)
{
    QStringList names = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    std::sort(names.begin(), names.end());
    return names;
}

// The two statements on one read-only database, through the SQLite library itself.
int baselineSqlite(const QString &root)
{
    int found = 0;
    for (const QString &name : folders(root)) {
        const QByteArray path =
            (root + QLatin1Char('/') + name + QStringLiteral("/sv_metadata.db")).toUtf8();
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            QByteArray info;
            QByteArray state;
            for (int which = 0; which < 2; ++which) {
                sqlite3_stmt *st = nullptr;
                const char *sql = which == 0 ? "SELECT Json FROM info WHERE ID=1"
                                             : "SELECT Json FROM state WHERE ID=1";
                if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK &&
                    sqlite3_step(st) == SQLITE_ROW) {
                    const auto *bytes = static_cast<const char *>(sqlite3_column_blob(st, 0));
                    (which == 0 ? info : state) = QByteArray(bytes, sqlite3_column_bytes(st, 0));
                }
                sqlite3_finalize(st);
            }
            found += info.isEmpty() ? 0 : 1;
        }
        sqlite3_close(db);
    }
    return found;
}

// The same through Qt's SQLite driver, on one connection reused for every file.
int baselineQt(const QString &root)
{
    int found = 0;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        for (const QString &name : folders(root)) {
            db.setDatabaseName(root + QLatin1Char('/') + name + QStringLiteral("/sv_metadata.db"));
            if (!db.open())
                continue;
            QSqlQuery q(db);
            QByteArray info;
            if (q.exec(QStringLiteral("SELECT Json FROM info WHERE ID=1")) && q.next())
                info = q.value(0).toByteArray();
            if (q.exec(QStringLiteral("SELECT Json FROM state WHERE ID=1")) && q.next())
                q.value(0).toByteArray();
            found += info.isEmpty() ? 0 : 1;
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return found;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    const QString root = QStringLiteral(BENCH_DATA_DIR) + QStringLiteral("/library-1000");
    if (const QString err = makeLibrary(root); !err.isEmpty()) {
        std::fprintf(stderr, "bench_libraryscan: %s\n", qPrintable(err));
        return 1;
    }
    const QUrl url = QUrl::fromLocalFile(root);

    // Warm the file cache once for every contender.
    const int scanned = int(LibraryModel::scanLibrary(url).size());
    const int baseFound = baselineSqlite(root);
    baselineQt(root);
    if (scanned != kFolders || baseFound != kFolders) {
        std::fprintf(stderr, "bench_libraryscan: scan found %d, baseline %d of %d\n", scanned,
                     baseFound, kFolders);
        return 1;
    }

    QList<double> scan;
    QList<double> base;
    QList<double> baseQt;
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        LibraryModel::scanLibrary(url);
        scan.append(t.nsecsElapsed() / 1e6 / kFolders);
        t.start();
        baselineSqlite(root);
        base.append(t.nsecsElapsed() / 1e6 / kFolders);
        t.start();
        baselineQt(root);
        baseQt.append(t.nsecsElapsed() / 1e6 / kFolders);
    }
    const double s = median(scan);
    const double b = median(base);
    const double bq = median(baseQt);
    std::printf("library scan, %d folders, median of %d runs (warm file cache)\n", kFolders, runs);
    std::printf("  LibraryModel scan:                 %.4f ms per folder\n", s);
    std::printf("  least work, SQLite library:        %.4f ms per folder\n", b);
    std::printf("  least work, Qt SQLite driver:      %.4f ms per folder\n", bq);
    std::printf("  ratio scan / least work (SQLite):  %.2f (goal <= 1.5)\n", s / b);
    std::printf("  ratio scan / least work (Qt):      %.2f\n", s / bq);
    return 0;
}
