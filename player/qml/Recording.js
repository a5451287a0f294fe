// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

.pragma library

// Texts and fields of a recording as every view shows them.

// A time on a clock face from whole seconds: "--:--" when negative (unknown); h:mm:ss from one
// hour on, m:ss below (65 gives 1:05, 3725 gives 1:02:05).
function clock(totalSeconds) {
    if (totalSeconds < 0)
        return "--:--"
    const s = Math.floor(totalSeconds)
    const hours = Math.floor(s / 3600)
    const minutes = Math.floor((s % 3600) / 60)
    const seconds = s % 60
    const ss = (seconds < 10 ? "0" : "") + seconds
    if (hours > 0)
        return hours + ":" + (minutes < 10 ? "0" : "") + minutes + ":" + ss
    return minutes + ":" + ss
}

// The length of a recording in lists: empty when missing or not positive; otherwise hours and
// minutes, the minutes rounded (halves up). Rounding happens on the whole length, so 7170 s
// reads 2h 0m.
function duration(secs) {
    if (secs === undefined || secs === null || !(secs > 0))
        return ""
    const totalMinutes = Math.round(secs / 60)
    const h = Math.floor(totalMinutes / 60)
    const m = totalMinutes % 60
    return h > 0 ? h + "h " + m + "m" : m + "m"
}

// The fields of the details popup: the key in a list row or metadata map, and the popup's
// property that shows it. Text fields show a missing value as empty text.
const detailFields = [
    { key: "name", property: "recordingName", text: true },
    { key: "title", property: "recordingTitle", text: true },
    { key: "seasonEpisode", property: "recordingSeasonEpisode", text: true },
    { key: "channel", property: "recordingChannel", text: true },
    { key: "description", property: "recordingDescription", text: true },
    { key: "path", property: "recordingPath", text: true },
    { key: "recordedAt", property: "recordingRecordedAt", text: false },
    { key: "posterUrl", property: "recordingPosterUrl", text: false }
]

// The detail fields of a list row (or any object with those members) as a plain map.
function details(row) {
    const out = {}
    for (const f of detailFields)
        out[f.key] = row[f.key]
    return out
}

// The detail fields of a box's row: a recording on a box has no local folder, so the popup
// shows no location for it.
function remoteDetails(row) {
    const out = details(row)
    delete out.path
    return out
}

// Fills the details popup from a metadata map; missing keys give empty texts, no date and no
// poster.
function fillDetails(popup, meta) {
    const m = meta ? meta : {}
    for (const f of detailFields) {
        const v = m[f.key]
        if (f.text)
            popup[f.property] = v === undefined || v === null ? "" : String(v)
        else if (f.key === "recordedAt")
            popup[f.property] = v === undefined ? null : v
        else
            popup[f.property] = v ? v : ""
    }
}
