// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The pure logic behind a box's recording list: the JSON it sends, and whether one of its folder
// names can name a folder of the local library.
#pragma once

#include "remoterecording.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The rows of a DVR_LIST_PLAY payload, in the box's order. Malformed or unexpected JSON is not an
// error: it yields fewer rows or none.
QList<RemoteRecording> parseRecordingList(const QByteArray &payload);

// Which file-system rules a folder name is checked against.
enum class FolderNameRules {
    Portable, // every platform: no separators, no control characters, not "." or ".."
    Windows,  // also the characters, trailing dots and spaces and device names Windows refuses
    Native,   // the rules of the platform this runs on
};

// Why `basename` cannot name a folder directly inside the library (a box's `driveBasename`
// becomes one, and so does a staging folder of that name); empty when it can. An empty name,
// ".", "..", a path separator, a control character, a character the file system refuses, the
// staging folder's own name and a name longer than the file system allows are refused.
QString folderNameProblem(const QString &basename, FolderNameRules rules = FolderNameRules::Native);
