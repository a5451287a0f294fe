// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Writes sample recording folders in the box's on-disk layout: fragmented media files made by
// ffmpeg, the sv_metadata.db with its info, state and flow tables, and an optional poster.
// Output is deterministic for given options (bit-exact muxing, single-threaded encoding).
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace mkrec {

enum class Variant {
    MpegTs,        // video1.ts (H.264 with PCR), audio<N>.ts (AC-3), no init segments
    FragmentedMp4, // video1.mp4 / audio<N>.mp4 fragments, init segments in flow.Init
};

struct RecordingOptions
{
    QString folder; // created when missing; files of the same names are replaced
    Variant variant = Variant::MpegTs;

    double durationSeconds = 12.0;
    double fragmentSeconds = 2.0; // rounded to whole frames
    int width = 640;
    int height = 360;
    int frameRateNum = 30000;
    int frameRateDen = 1001;
    int sarNum = 1;
    int sarDen = 1;
    int audioTracks = 1;         // 0 gives a folder without audio files
    bool mediaExtensions = true; // false: media files are named video1, audio1, ...

    // info.Json; empty texts leave the key out. Season, episode and start time are written as
    // JSON numbers when they are decimal integers, as strings otherwise.
    QString name = QStringLiteral("Sample Recording");
    QString title;
    QString description;
    QString season;
    QString episode;
    QString channelId;           // hexadecimal text, e.g. 1000000000007005
    QString startTime;           // ISO 8601 text or seconds / milliseconds since the epoch
    bool programDuration = true; // write program.duration (whole seconds of durationSeconds)

    // state.Json row 1; no row at all when writeState is false.
    bool writeState = true;
    int statePosition = -1;   // -1: key absent
    int stateNumSeconds = -1; // -1: key absent

    bool poster = false;
    QString ffmpeg = QStringLiteral("ffmpeg");
};

// One row of the flow table.
struct FlowRow
{
    QString type; // "video" or "audio"
    int track = 1;
    QList<qint64> ranges;
    QByteArray init;
    QString playlist;
};

// Fragment offsets in the flow.Range layout: little-endian signed 64-bit integers, no header.
QByteArray packRanges(const QList<qint64> &offsets);

// The info.Json object for the given options.
QJsonObject infoObject(const RecordingOptions &options);

// The state.Json object for the given options (may be empty).
QJsonObject stateObject(const RecordingOptions &options);

// Number of frames per fragment and the fragment's nominal length in seconds.
int framesPerFragment(const RecordingOptions &options);
double nominalFragmentSeconds(const RecordingOptions &options);

// Creates (or replaces) dbPath with the tables info, state and flow and fills them.
// Returns an error text, or an empty text on success.
QString writeMetadataDb(const QString &dbPath, const QJsonObject &info, const QJsonObject *state,
                        const QList<FlowRow> &flows);

// Writes one complete recording folder. Returns an error text, or an empty text on success.
QString makeRecording(const RecordingOptions &options);

} // namespace mkrec
