// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// One recording folder in the scratch space with small transport-stream files video1.ts,
// audio1.ts and audio2.ts, and everything Norplay does with such a folder's sv_metadata.db:
// the library scan with every role of the row, the read of a saved position, playlist
// generation, and a position write followed by a read. Shared by the targets that make the
// database in different ways.
#pragma once

#include <QString>

namespace fuzz {

// The library root and the recording folder inside it.
QString libraryRoot();
QString recordingFolder();

// Removes everything from the folder but its media files; the caller then writes the database.
void clearRecordingFolder();

// The packets of the folder's media file of `stream` ("video1.ts", "audio1.ts", "audio2.ts"):
// one PCR (video) or PES header with PTS (audio) every packet, a tenth of a second apart.
QByteArray mediaBytes(const QString &stream);

// Runs every reader over the folder's database and checks what each promises.
void readRecordingFolder();

} // namespace fuzz
