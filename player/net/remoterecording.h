// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// One recording stored on a box, as the box's list describes it, with display-ready fields.
struct RemoteRecording
{
    QString name;
    QString title;
    QString seasonEpisode; // "S%1E%2", empty unless both season and episode are given
    QString channel;       // "%1.%2" or "%1.%2 (%3)", empty without a major number above 0
    int atscVersion = -1;  // 3 for "ATSC-3", 1 for "ATSC-1", else -1
    QString description;
    QDateTime recordedAt; // invalid when the box gave no usable start time
    int duration = 0;     // seconds
    quint32 playId = 0;
    quint32 entryId = 0;
    int position = 0; // saved playback position on the box, seconds
    QString thumbName;
    QString posterUrl;
    QString driveBasename; // the recording's folder name on the box; may be unsafe here
    qint64 numBytes = 0;
};
