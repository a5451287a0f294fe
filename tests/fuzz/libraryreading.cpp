// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "libraryreading.h"

#include "fuzzsupport.h"

#include "librarymodel.h"
#include "playlistgenerator.h"
#include "recordingfolder.h"
#include "recordingstate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

#include <sqlite3.h>

namespace fuzz {

namespace {

const QStringList &mediaNames()
{
    static const QStringList names{QStringLiteral("video1.ts"), QStringLiteral("audio1.ts"),
                                   QStringLiteral("audio2.ts")};
    return names;
}

QByteArray packet(qint64 pcr, qint64 pts)
{
    QByteArray p(188, char(0xff));
    p[0] = 0x47;
    p[1] = 0x41; // payload unit start, PID 0x100
    p[2] = 0x00;
    if (pcr >= 0) {
        p[3] = 0x30; // adaptation field and payload
        p[4] = 7;
        p[5] = 0x10;
        p[6] = char(pcr >> 25);
        p[7] = char(pcr >> 17);
        p[8] = char(pcr >> 9);
        p[9] = char(pcr >> 1);
        p[10] = char(((pcr & 1) << 7) | 0x7e);
        p[11] = 0;
    } else {
        p[3] = 0x10; // payload only
        const int at = 4;
        const char pes[] = {0, 0, 1, char(0xc0), 0, 0, char(0x80), char(0x80), 5};
        for (int i = 0; i < 9; ++i)
            p[at + i] = pes[i];
        p[at + 9] = char(0x21 | ((pts >> 29) & 0x0e));
        p[at + 10] = char(pts >> 22);
        p[at + 11] = char(((pts >> 14) & 0xfe) | 1);
        p[at + 12] = char(pts >> 7);
        p[at + 13] = char(((pts << 1) & 0xfe) | 1);
    }
    return p;
}

// The integrity of a database as SQLite itself sees it, without the Qt driver.
QString integrity(const QString &dbPath)
{
    sqlite3 *db = nullptr;
    QString verdict;
    if (sqlite3_open_v2(dbPath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            verdict = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        else
            verdict = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return verdict;
}

void scan()
{
    LibraryModel model;
    model.setLibraryRoot(QUrl::fromLocalFile(libraryRoot()));
    FUZZ_CHECK(model.count() <= 1, QStringLiteral("%1 rows from one folder").arg(model.count()));
    const QHash<int, QByteArray> roles = model.roleNames();
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        for (auto it = roles.cbegin(); it != roles.cend(); ++it)
            model.data(index, it.key());
        const QString path = model.data(index, LibraryModel::PathRole).toString();
        FUZZ_CHECK(path == recordingFolder(), QStringLiteral("row path %1").arg(path));
        const QUrl master = model.data(index, LibraryModel::MasterUrlRole).toUrl();
        FUZZ_CHECK(!model.recordingForUrl(master).isEmpty(),
                   QStringLiteral("recordingForUrl misses its own row"));
        model.markPlaylistGenerated(path);
        FUZZ_CHECK(model.data(index, LibraryModel::HasPlaylistRole).toBool(),
                   QStringLiteral("markPlaylistGenerated did not mark the row"));
    }
}

QStringList playlistUris(const QString &text)
{
    static const QRegularExpression uriAttr(QStringLiteral("URI=\"([^\"]*)\""));
    QStringList uris;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.isEmpty())
            continue;
        if (!line.startsWith(QLatin1Char('#'))) {
            uris.append(line);
            continue;
        }
        for (auto it = uriAttr.globalMatch(line); it.hasNext();)
            uris.append(it.next().captured(1));
    }
    return uris;
}

QString readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void generate()
{
    const QString dir = recordingFolder();
    const QString master = dir + QStringLiteral("/master.m3u8");
    const PlaylistGenerator::Result r = PlaylistGenerator::generatePlaylists(dir);
    FUZZ_CHECK(r.path == dir, r.path);
    if (!r.ok) {
        FUZZ_CHECK(!r.error.isEmpty(), QStringLiteral("failure without a text"));
        FUZZ_CHECK(!QFileInfo::exists(master),
                   QStringLiteral("master.m3u8 after: %1").arg(r.error));
        return;
    }
    FUZZ_CHECK(r.error.isEmpty(), r.error);
    const QString text = readText(master);
    FUZZ_CHECK(text.startsWith(QLatin1String("#EXTM3U")), QStringLiteral("master: %1").arg(text));
    // Every playlist the master names exists, and so does every file those playlists name.
    for (const QString &uri : playlistUris(text)) {
        const QString media = readText(dir + QLatin1Char('/') + uri);
        FUZZ_CHECK(media.startsWith(QLatin1String("#EXTM3U")),
                   QStringLiteral("master names %1, which is no playlist").arg(uri));
        for (const QString &file : playlistUris(media))
            FUZZ_CHECK(QFileInfo(dir + QLatin1Char('/') + file).isFile(),
                       QStringLiteral("%1 names the missing %2").arg(uri, file));
    }
}

void positions()
{
    const QString db = recfolder::metadataPath(recordingFolder());
    RecordingState::doRead(db);
    const QString before = integrity(db);
    resetWarnings();
    RecordingState::doWrite(db, 4242);
    const int writeWarnings = warnings();
    const QString warning = lastWarning();
    // A write that logged nothing worked: its position reads back, and a sound file stays sound.
    if (writeWarnings == 0) {
        const int back = RecordingState::doRead(db);
        FUZZ_CHECK(back == 4242, QStringLiteral("wrote 4242 without a warning, read %1").arg(back));
    }
    if (before == QLatin1String("ok")) {
        const QString after = integrity(db);
        FUZZ_CHECK(
            after == QLatin1String("ok"),
            QStringLiteral("a sound file after a position write: %1 (%2)").arg(after, warning));
    }
}

} // namespace

QString libraryRoot()
{
    return scratchDir() + QStringLiteral("/library");
}

QString recordingFolder()
{
    return libraryRoot() + QStringLiteral("/rec");
}

QByteArray mediaBytes(const QString &stream)
{
    QByteArray out;
    const bool video = stream.startsWith(QLatin1String("video"));
    const qint64 base = stream == QLatin1String("audio2.ts") ? 8589930000LL : 900000; // one wraps
    for (int i = 0; i < 40; ++i) {
        const qint64 t = (base + qint64(i) * 9000) % (qint64(1) << 33);
        out += video ? packet(t, -1) : packet(-1, t);
    }
    return out;
}

void clearRecordingFolder()
{
    const QString dir = recordingFolder();
    if (!QFileInfo(dir + QLatin1Char('/') + mediaNames().first()).isFile()) {
        QDir().mkpath(dir);
        for (const QString &name : mediaNames()) {
            QFile f(dir + QLatin1Char('/') + name);
            const QByteArray content = mediaBytes(name);
            FUZZ_CHECK(f.open(QIODevice::WriteOnly) && f.write(content) == content.size(),
                       QStringLiteral("cannot write %1").arg(name));
        }
    }
    QDir d(dir);
    for (const QString &name : d.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!mediaNames().contains(name))
            d.remove(name);
    }
}

void readRecordingFolder()
{
    scan();
    generate();
    positions();
}

} // namespace fuzz
