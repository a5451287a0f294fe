// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Timestamps of MPEG transport streams (packets of 188 bytes): the 33-bit 90 kHz PCR base or
// PTS found near a byte offset of a media file, read with as little I/O as the answer needs.
#pragma once

#include <QtGlobal>

class QFile;

namespace tsprobe {

inline constexpr qint64 PacketSize = 188;

// The timestamp at a fragment start: the first PCR within window bytes of offset, else the first
// PTS there, else -1. Reads only as far as the answer needs; bytesRead, when given, grows by what
// was read.
qint64 firstTimestamp(QFile &file, qint64 offset, qint64 window, qint64 *bytesRead = nullptr);

// The last PCR within the final window bytes before size (the end of the part of the file that
// counts), else the last PTS there, else -1. Reads backwards from the end only as far as the
// answer needs.
qint64 lastTimestamp(QFile &file, qint64 size, qint64 window, qint64 *bytesRead = nullptr);

} // namespace tsprobe
