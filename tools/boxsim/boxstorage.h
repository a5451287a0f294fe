// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The box's recording storage: a folder of recording folders in the layout the box writes (the
// same as the local library's). Scanned once; each recording gets a play id from 1 on, in the
// order of the folder names, and a position the box keeps in memory (it starts as the folder's
// saved position and follows PLAY_POS and DVR_STOP). The files on disk are only ever read.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

struct BoxRecording
{
    quint32 playId = 0;
    quint32 recordId = 0;
    QString basename; // the folder's name inside the storage
    QString folder;   // its absolute path
    QJsonObject info; // info.Json row 1
    QJsonObject state;
    int position = 0;
    qint64 numBytes = 0; // what a download fetches: metadata, media files and poster
    bool hasPoster = false;
};

class BoxStorage
{
public:
    // Scans `dir`; a subfolder that is not a recording (no sv_metadata.db or no readable info
    // row) is skipped. An empty `dir` gives an empty storage.
    bool load(const QString &dir, QString *error);

    QString root() const { return m_root; }
    const QList<BoxRecording> &recordings() const { return m_recordings; }
    BoxRecording *find(quint32 playId);
    const BoxRecording *find(quint32 playId) const;

    // The list payload: {"recordings": [...]} with one object per recording, carrying the keys
    // the client reads. `posterBase` is prefixed to "<playId>" for a recording with a poster.
    QByteArray listJson(const QString &posterBase) const;

    // The file a download names (`path` relative to the storage, "/" separated): empty when the
    // path is absolute, has an empty, "." or ".." component or a backslash, or does not name a
    // regular file inside the storage.
    QString resolveDownload(const QString &path) const;

private:
    QString m_root;
    QList<BoxRecording> m_recordings;
};

// One list entry, as listJson writes it.
QJsonObject listEntry(const BoxRecording &recording, const QString &drivePrefix,
                      const QString &posterBase);

// A piece of a file for FILE_DOWNLOAD: up to `length` bytes from `offset`, and the file's size.
struct FilePiece
{
    bool ok = false;
    qint64 size = 0;
    QByteArray bytes;
};
FilePiece readFilePiece(const QString &path, qint64 offset, qint64 length);
