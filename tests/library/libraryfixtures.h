// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Hand-built recording folders and transport-stream bytes for the library tests.
#pragma once

#include "recordingmaker.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace fixtures {

// What goes into a hand-built sv_metadata.db. A table that is switched off is not created; a
// row that is nullopt is not inserted.
struct DbSpec
{
    bool infoTable = true;
    bool stateTable = true;
    bool flowTable = true;
    std::optional<QByteArray> info;
    std::optional<QByteArray> state;
    bool jsonAsBlob = false;     // bind the Json columns as blobs instead of text
    bool playlistAsBlob = false; // bind flow.Playlist as a blob instead of text
    QList<mkrec::FlowRow> flows;
    QList<QByteArray> rawRanges; // when not empty, replaces the packed ranges row by row
};

// Creates folder (and parents) and writes folder/sv_metadata.db. Returns an error text or empty.
QString writeDb(const QString &folder, const DbSpec &dbSpec);

// A metadata folder that the library scan lists: info.Json with program name and more.
QByteArray infoJson(const QString &name, const QString &extraProgram = QString(),
                    const QString &channelId = QString());

// Writes bytes to path; false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// One 188-byte transport-stream packet on PID 0x100. pcr and pts are 33-bit 90 kHz values or
// -1 for none; the rest of the packet is stuffing (0xff).
QByteArray tsPacket(qint64 pcr, qint64 pts = -1, bool unitStart = true);
// A packet with neither PCR nor PES header.
QByteArray tsFiller();

// Row values of a sqlite3 table column, for checks outside the Qt driver (e.g. typeof()).
QString sqlScalar(const QString &dbPath, const QString &sql);

// Turns folder/sv_metadata.db into a database in write-ahead-log mode whose log was never
// checkpointed, as a program that crashed or was killed leaves it: sv_metadata.db-wal holds
// committed pages that the main file does not. Returns an error text or empty.
QString leaveWriteAheadLog(const QString &folder);

// Leaves folder/sv_metadata.db as a writer that was killed inside a transaction leaves it: the
// changes of `sql` (statements separated by ';') partly in the file and a hot journal
// sv_metadata.db-journal beside it that holds what was committed. Returns an error text or empty.
QString leaveHotJournal(const QString &folder, const QString &sql);

// Damages the root page of table in dbPath so that an integrity check fails while the other
// tables still read. Returns an error text or empty.
QString damageTable(const QString &dbPath, const QString &table);

} // namespace fixtures
