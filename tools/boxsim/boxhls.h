// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The HLS presentation the box serves for one recording folder, built in memory (the folder is
// never written to): the master playlist with one audio rendition per track, one media
// playlist per stream addressing the media files by byte range, and the init segments taken
// from the metadata database. The playlists are the local library's, so both sides play alike.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

struct BoxHls
{
    bool ok = false;
    QString error;
    QByteArray master;                     // master.m3u8
    QHash<QString, QByteArray> texts;      // video.m3u8, audio<N>.m3u8
    QHash<QString, QByteArray> inits;      // <type>_<track>_init[.mp4]
    QHash<QString, QString> mediaFiles;    // served file name -> absolute path
    QHash<QString, QByteArray> mediaTypes; // served file name -> Content-Type
};

BoxHls buildBoxHls(const QString &folder);

// The Content-Type of a served name.
QByteArray hlsMimeType(const QString &name);
