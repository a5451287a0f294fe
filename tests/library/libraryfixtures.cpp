// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "libraryfixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace fixtures {

namespace {

QVariant jsonValue(const std::optional<QByteArray> &bytes, bool asBlob)
{
    if (asBlob)
        return QVariant(*bytes);
    return QVariant(QString::fromUtf8(*bytes));
}

} // namespace

QString writeDb(const QString &folder, const DbSpec &dbSpec)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("mkpath %1").arg(folder);
    const QString path = folder + QStringLiteral("/sv_metadata.db");
    QFile::remove(path);
    const QString conn =
        QStringLiteral("fixture-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(path);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            auto exec = [&](const QString &sql) {
                if (error.isEmpty() && !q.exec(sql))
                    error = sql + QStringLiteral(": ") + q.lastError().text();
            };
            if (dbSpec.infoTable)
                exec(QStringLiteral("CREATE TABLE info (ID INTEGER PRIMARY KEY, Json)"));
            if (dbSpec.stateTable)
                exec(QStringLiteral("CREATE TABLE state (ID INTEGER PRIMARY KEY, Json)"));
            if (dbSpec.flowTable)
                exec(QStringLiteral("CREATE TABLE flow (ID INTEGER PRIMARY KEY, Type TEXT, "
                                    "Track INTEGER, Range BLOB, Init BLOB, Playlist TEXT)"));
            if (error.isEmpty() && dbSpec.infoTable && dbSpec.info) {
                q.prepare(QStringLiteral("INSERT INTO info(ID, Json) VALUES (1, ?)"));
                q.addBindValue(jsonValue(dbSpec.info, dbSpec.jsonAsBlob));
                if (!q.exec())
                    error = q.lastError().text();
            }
            if (error.isEmpty() && dbSpec.stateTable && dbSpec.state) {
                q.prepare(QStringLiteral("INSERT INTO state(ID, Json) VALUES (1, ?)"));
                q.addBindValue(jsonValue(dbSpec.state, dbSpec.jsonAsBlob));
                if (!q.exec())
                    error = q.lastError().text();
            }
            for (int i = 0; error.isEmpty() && dbSpec.flowTable && i < dbSpec.flows.size(); ++i) {
                const mkrec::FlowRow &row = dbSpec.flows.at(i);
                q.prepare(QStringLiteral("INSERT INTO flow(Type, Track, Range, Init, Playlist) "
                                         "VALUES (?, ?, ?, ?, ?)"));
                q.addBindValue(row.type);
                q.addBindValue(row.track);
                q.addBindValue(i < dbSpec.rawRanges.size() ? dbSpec.rawRanges.at(i)
                                                           : mkrec::packRanges(row.ranges));
                q.addBindValue(row.init.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray))
                                                  : QVariant(row.init));
                q.addBindValue(dbSpec.playlistAsBlob ? QVariant(row.playlist.toUtf8())
                                                     : QVariant(row.playlist));
                if (!q.exec())
                    error = q.lastError().text();
            }
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    return error;
}

QByteArray infoJson(const QString &name, const QString &extraProgram, const QString &channelId)
{
    QString program = QStringLiteral("\"name\":\"%1\"").arg(name);
    if (!extraProgram.isEmpty())
        program += QLatin1Char(',') + extraProgram;
    QString text = QStringLiteral("{\"program\":{%1}").arg(program);
    if (!channelId.isEmpty())
        text += QStringLiteral(",\"channel\":{\"id\":\"%1\"}").arg(channelId);
    text += QLatin1Char('}');
    return text.toUtf8();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray tsPacket(qint64 pcr, qint64 pts, bool unitStart)
{
    QByteArray p(188, char(0xff));
    p[0] = char(0x47);
    p[1] = char((unitStart ? 0x40 : 0x00) | 0x01);
    p[2] = char(0x00);
    int pos = 4;
    if (pcr >= 0) {
        p[3] = char(0x30); // adaptation field and payload
        p[4] = char(7);
        p[5] = char(0x10);
        p[6] = char((pcr >> 25) & 0xff);
        p[7] = char((pcr >> 17) & 0xff);
        p[8] = char((pcr >> 9) & 0xff);
        p[9] = char((pcr >> 1) & 0xff);
        p[10] = char(((pcr & 1) << 7) | 0x7e);
        p[11] = char(0);
        pos = 12;
    } else {
        p[3] = char(0x10); // payload only
    }
    if (pts >= 0) {
        const char pes[] = {0, 0, 1, char(0xe0), 0, 0, char(0x80), char(0x80), 5};
        for (char c : pes)
            p[pos++] = c;
        p[pos++] = char(0x21 | ((pts >> 29) & 0x0e));
        p[pos++] = char((pts >> 22) & 0xff);
        p[pos++] = char(0x01 | ((pts >> 14) & 0xfe));
        p[pos++] = char((pts >> 7) & 0xff);
        p[pos++] = char(0x01 | ((pts << 1) & 0xfe));
    }
    return p;
}

QByteArray tsFiller()
{
    return tsPacket(-1, -1, false);
}

QString sqlScalar(const QString &dbPath, const QString &sql)
{
    const QString conn =
        QStringLiteral("fixture-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(dbPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                out = q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    return out;
}

QString leaveWriteAheadLog(const QString &folder)
{
    const QString db = folder + QStringLiteral("/sv_metadata.db");
    const QString staging = folder + QStringLiteral("/staging.db");
    QFile::remove(staging);
    if (!QFile::copy(db, staging))
        return QStringLiteral("copy %1").arg(db);
    const QString conn =
        QStringLiteral("fixture-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        d.setDatabaseName(staging);
        if (!d.open())
            return d.lastError().text();
        QSqlQuery q(d);
        for (const char *sql : {"PRAGMA journal_mode=WAL", "PRAGMA wal_autocheckpoint=0",
                                "CREATE TABLE walmark (x)", "INSERT INTO walmark VALUES (1)"}) {
            if (!q.exec(QLatin1String(sql))) {
                error = QLatin1String(sql) + QStringLiteral(": ") + q.lastError().text();
                break;
            }
        }
        q.finish();
        // Copied while the connection is open, the pair is what a killed writer leaves behind.
        if (error.isEmpty()) {
            QFile::remove(db);
            if (!QFile::copy(staging, db) ||
                !QFile::copy(staging + QStringLiteral("-wal"), db + QStringLiteral("-wal")))
                error = QStringLiteral("copy the log");
        }
        d.close();
    }
    QSqlDatabase::removeDatabase(conn);
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(staging + QLatin1String(suffix));
    if (error.isEmpty() && QFileInfo(db + QStringLiteral("-wal")).size() == 0)
        error = QStringLiteral("the log is empty");
    return error;
}

QString leaveHotJournal(const QString &folder, const QString &sql)
{
    const QString db = folder + QStringLiteral("/sv_metadata.db");
    const QString staging = folder + QStringLiteral("/staging.db");
    QFile::remove(staging);
    if (!QFile::copy(db, staging))
        return QStringLiteral("copy %1").arg(db);
    const QString conn =
        QStringLiteral("fixture-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        d.setDatabaseName(staging);
        if (!d.open())
            return d.lastError().text();
        QSqlQuery q(d);
        // A one-page cache spills the changes into the file before the commit, as a larger
        // transaction or a busy machine does.
        QStringList statements{QStringLiteral("PRAGMA cache_size=1"), QStringLiteral("BEGIN")};
        statements += sql.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        statements += QStringLiteral("CREATE TABLE spill (x)");
        for (int i = 0; i < 64; ++i)
            statements += QStringLiteral("INSERT INTO spill VALUES (randomblob(2000))");
        for (const QString &statement : std::as_const(statements)) {
            if (!q.exec(statement)) {
                error = statement + QStringLiteral(": ") + q.lastError().text();
                break;
            }
        }
        q.finish();
        // Copied while the transaction is open, the pair is what a killed writer leaves behind.
        if (error.isEmpty()) {
            QFile::remove(db);
            if (!QFile::copy(staging, db) ||
                !QFile::copy(staging + QStringLiteral("-journal"), db + QStringLiteral("-journal")))
                error = QStringLiteral("copy the journal");
        }
        d.rollback();
        d.close();
    }
    QSqlDatabase::removeDatabase(conn);
    for (const char *suffix : {"", "-journal"})
        QFile::remove(staging + QLatin1String(suffix));
    if (error.isEmpty() && QFileInfo(db + QStringLiteral("-journal")).size() == 0)
        error = QStringLiteral("the journal is empty");
    return error;
}

QString damageTable(const QString &dbPath, const QString &table)
{
    const int page =
        sqlScalar(dbPath,
                  QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='%1'").arg(table))
            .toInt();
    const int pageSize = sqlScalar(dbPath, QStringLiteral("PRAGMA page_size")).toInt();
    if (page < 2 || pageSize < 512)
        return QStringLiteral("no root page for %1").arg(table);
    QFile f(dbPath);
    if (!f.open(QIODevice::ReadWrite) || !f.seek(qint64(page - 1) * pageSize))
        return f.errorString();
    // The first byte of a b-tree page is its type; 0 is none of the valid ones.
    return f.write(QByteArray(1, '\0')) == 1 ? QString() : f.errorString();
}

} // namespace fixtures
