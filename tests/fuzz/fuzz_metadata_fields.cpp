// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// A well-formed sv_metadata.db whose values are anything: the info and state JSON, the video
// row's Playlist text, every Range and Init blob and the audio track numbers. Where the raw-file
// target mostly meets SQLite's own checks, this one reaches the code that reads the values.
//
// Input: byte 0 holds switches (bit 0: info.Json as a blob; bit 1: state.Json as a blob; bit 2:
// no state table; bit 3: no state row; bit 4: Playlist as a blob; bit 5: no flow table; bit 6:
// no info table; bit 7: Range bytes used as they are, otherwise as 16-bit steps between fragment
// starts). The rest is split at 0x1e bytes into: info.Json, state.Json, video Playlist, video
// Range, video Init, then per audio row Track, Range and Init.
#include "fuzzsupport.h"
#include "libraryreading.h"

#include "recordingfolder.h"

#include <QList>
#include <QtEndian>

#include <sqlite3.h>

namespace {

QByteArray rangeBlob(const QByteArray &field, bool raw)
{
    if (raw)
        return field;
    QByteArray blob;
    qint64 at = 0;
    for (qsizetype i = 0; i + 1 < field.size(); i += 2) {
        at += qFromLittleEndian<quint16>(field.constData() + i);
        QByteArray entry(8, '\0');
        qToLittleEndian(at, entry.data());
        blob += entry;
    }
    return blob;
}

class Db
{
public:
    explicit Db(const QString &path)
    {
        if (sqlite3_open(path.toUtf8().constData(), &m_db) != SQLITE_OK)
            fuzz::fail(__FILE__, __LINE__, "sqlite3_open", path);
        exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
    }
    ~Db() { sqlite3_close(m_db); }
    Db(const Db &) = delete;
    Db &operator=(const Db &) = delete;

    void exec(const char *sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK)
            fuzz::fail(__FILE__, __LINE__, sql, QString::fromUtf8(error));
    }

    // Runs sql with the values bound in order: a QByteArray as a blob, else as text; a null
    // QByteArray as SQL NULL.
    struct Value
    {
        QByteArray bytes;
        bool blob = false;
        bool integer = false;
        qint64 number = 0;
    };
    void run(const char *sql, const QList<Value> &values)
    {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
            fuzz::fail(__FILE__, __LINE__, sql, QString::fromUtf8(sqlite3_errmsg(m_db)));
        for (int i = 0; i < values.size(); ++i) {
            const Value &v = values.at(i);
            if (v.integer)
                sqlite3_bind_int64(st, i + 1, v.number);
            else if (v.blob)
                sqlite3_bind_blob(st, i + 1, v.bytes.constData(), int(v.bytes.size()),
                                  SQLITE_TRANSIENT);
            else
                sqlite3_bind_text(st, i + 1, v.bytes.constData(), int(v.bytes.size()),
                                  SQLITE_TRANSIENT);
        }
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            fuzz::fail(__FILE__, __LINE__, sql, QString::fromUtf8(sqlite3_errmsg(m_db)));
    }

private:
    sqlite3 *m_db = nullptr;
};

Db::Value text(const QByteArray &b, bool asBlob = false)
{
    return Db::Value{b, asBlob, false, 0};
}

Db::Value track(const QByteArray &field)
{
    bool ok = false;
    const qint64 n = field.toLongLong(&ok);
    return ok ? Db::Value{{}, false, true, n} : text(field);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::init();
    if (size < 1)
        return 0;
    const quint8 sw = data[0];
    const QList<QByteArray> fields = fuzz::bytes(data + 1, size - 1).split('\x1e');
    const auto field = [&](qsizetype i) { return i < fields.size() ? fields.at(i) : QByteArray(); };
    const bool rawRanges = sw & 0x80;

    fuzz::clearRecordingFolder();
    {
        Db db(recfolder::metadataPath(fuzz::recordingFolder()));
        if (!(sw & 0x40)) {
            db.exec("CREATE TABLE info (ID INTEGER PRIMARY KEY, Json TEXT)");
            db.run("INSERT INTO info(ID, Json) VALUES (1, ?)", {text(field(0), sw & 0x01)});
        }
        if (!(sw & 0x04)) {
            db.exec("CREATE TABLE state (ID INTEGER PRIMARY KEY, Json TEXT)");
            if (!(sw & 0x08))
                db.run("INSERT INTO state(ID, Json) VALUES (1, ?)", {text(field(1), sw & 0x02)});
        }
        if (!(sw & 0x20)) {
            db.exec("CREATE TABLE flow (ID INTEGER PRIMARY KEY AUTOINCREMENT, Type TEXT, "
                    "Track INTEGER, Range BLOB, Init BLOB, Playlist TEXT)");
            db.run("INSERT INTO flow(Type, Track, Range, Init, Playlist) "
                   "VALUES ('video', 1, ?, ?, ?)",
                   {text(rangeBlob(field(3), rawRanges), true), text(field(4), true),
                    text(field(2), sw & 0x10)});
            const auto audio = [&](const QByteArray &number, const QByteArray &range,
                                   const QByteArray &init) {
                db.run("INSERT INTO flow(Type, Track, Range, Init) VALUES ('audio', ?, ?, ?)",
                       {track(number), text(rangeBlob(range, rawRanges), true), text(init, true)});
            };
            // Without audio fields: track 1 with the video's fragment list.
            if (fields.size() <= 5)
                audio("1", field(3), {});
            for (qsizetype i = 5; i < std::min<qsizetype>(fields.size(), 5 + 3 * 8); i += 3)
                audio(fields.at(i), field(i + 1), field(i + 2));
        }
    }
    fuzz::readRecordingFolder();
    return 0;
}
