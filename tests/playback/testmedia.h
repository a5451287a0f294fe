// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

// Short test streams made with ffmpeg (MPEG-TS, H.264 video, AC-3 audio), written into `dir`.
namespace testmedia {

struct StreamOptions
{
    int width = 320;
    int height = 240;
    int fps = 10;
    int seconds = 5;
    int audioTracks = 0; // sine tones of different pitch, one AC-3 track each
    QString sar;         // e.g. "4/3"; empty keeps square pixels
};

// Returns the path of the written file, or an empty string (and a qWarning with ffmpeg's
// output) when ffmpeg failed.
QString make(const QString &dir, const QString &name, const StreamOptions &stream);

} // namespace testmedia
