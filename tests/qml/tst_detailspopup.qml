// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The metadata sheet, filled the way the shell fills it: from a row's map, from the library's
// lookup of a playing URL, and from a network row without a path.
Item {
    id: scene
    width: 800
    height: 600

    Item {
        id: host
        width: scene.width
        height: scene.height
        DetailsPopup {
            id: popup
        }
    }

    TestCase {
        name: "DetailsPopup"
        when: windowShown

        function part(name) {
            const item = findChild(popup.contentItem, name)
            verify(item, "no item " + name)
            return item
        }

        // The shell's rule: missing keys give empty texts, a null date and an empty URL.
        function show(meta) {
            const text = key => meta[key] === undefined || meta[key] === null ? "" : String(meta[key])
            popup.recordingName = text("name")
            popup.recordingTitle = text("title")
            popup.recordingSeasonEpisode = text("seasonEpisode")
            popup.recordingChannel = text("channel")
            popup.recordingDescription = text("description")
            popup.recordingPath = text("path")
            popup.recordingRecordedAt = meta.recordedAt === undefined ? null : meta.recordedAt
            popup.recordingPosterUrl = meta.posterUrl === undefined ? "" : meta.posterUrl
            popup.open()
            tryCompare(popup, "opened", true)
        }

        function init() {
            mainWindow.reset()
            settings.libraryRoot = fixtures.rootUrl("mixed")
            host.width = scene.width
        }

        function cleanup() {
            popup.close()
            tryCompare(popup, "visible", false)
        }

        function test_width_data() {
            return [
                { tag: "poster", poster: true, parentWidth: 800, width: 560 },
                { tag: "no poster", poster: false, parentWidth: 800, width: 480 },
                { tag: "poster, narrow window", poster: true, parentWidth: 500, width: 436 },
                { tag: "no poster, narrow window", poster: false, parentWidth: 500, width: 436 }
            ]
        }

        function test_width(data) {
            host.width = data.parentWidth
            const posterUrl = libraryModel.recordingForUrl(fixtures.masterUrl("mixed", "rec-b")).posterUrl
            verify(String(posterUrl) !== "")
            show({ name: "Evening News", posterUrl: data.poster ? posterUrl : undefined })
            compare(popup.hasPoster, data.poster)
            compare(popup.width, data.width)
            compare(popup.x, (host.width - popup.width) / 2)
            const poster = part("detailsPoster")
            compare(poster.visible, data.poster)
            // Without a poster the text takes the whole width.
            if (data.poster)
                tryCompare(poster, "width", 200)
            tryCompare(part("textColumn"), "width", data.poster ? popup.availableWidth - 12 - 200 : popup.availableWidth)
            if (data.poster)
                tryCompare(poster, "status", Image.Ready)
        }

        function test_recordedLine_data() {
            return [
                { tag: "date", date: new Date(2023, 10, 14, 20, 0), text: "Recorded: Tue, Nov 14, 2023 8:00 PM" },
                { tag: "morning", date: new Date(2024, 0, 5, 9, 7), text: "Recorded: Fri, Jan 5, 2024 9:07 AM" },
                { tag: "null", date: null, text: "" },
                { tag: "missing", date: undefined, text: "" },
                { tag: "unparsed date", date: new Date(NaN), text: "" }
            ]
        }

        function test_recordedLine(data) {
            show({ name: "Evening News", recordedAt: data.date })
            popup.recordingRecordedAt = data.date
            compare(part("detailsRecorded").visible, data.text !== "")
            if (data.text !== "")
                compare(part("detailsRecorded").text, data.text)
        }

        function test_optionalLines_data() {
            return [
                { tag: "everything", meta: { name: "N", title: "T", seasonEpisode: "S1E2", channel: "7.5 (ATSC-1)",
                        description: "D", path: "/lib/rec" },
                    title: true, strip: true, separator: true, description: true, location: "Location: /lib/rec" },
                { tag: "network row", meta: { name: "N", channel: "7.5 (ATSC-1)", description: "D" },
                    title: false, strip: true, separator: false, description: true, location: "" },
                { tag: "season and episode only", meta: { name: "N", seasonEpisode: "S1E2", path: "/lib/rec" },
                    title: false, strip: true, separator: false, description: false, location: "Location: /lib/rec" },
                { tag: "name only", meta: { name: "N" },
                    title: false, strip: false, separator: false, description: false, location: "" }
            ]
        }

        function test_optionalLines(data) {
            show(data.meta)
            compare(part("detailsName").text, "N")
            compare(part("detailsTitle").visible, data.title)
            compare(part("detailsStrip").visible, data.strip)
            compare(part("detailsSeparator").visible, data.separator)
            compare(part("detailsDescription").visible, data.description)
            compare(part("detailsLocation").visible, data.location !== "")
            if (data.location !== "")
                compare(part("detailsLocation").text, data.location)
            compare(part("detailsCloseButton").text, "Close")
        }

        function test_fromLibraryLookup() {
            // What the controls bar's info button shows for a playing local recording.
            const meta = libraryModel.recordingForUrl(fixtures.masterUrl("mixed", "rec-b"))
            show(meta)
            compare(part("detailsName").text, "Evening News")
            compare(part("detailsTitle").text, "Tuesday edition")
            compare(part("detailsSeasonEpisode").text, "S3E12")
            compare(part("detailsChannel").text, "7.5 (ATSC-1)")
            verify(part("detailsSeparator").visible)
            compare(part("detailsDescription").text, "Headlines, weather and sport.")
            compare(part("detailsRecorded").text, "Recorded: Tue, Nov 14, 2023 8:00 PM")
            compare(part("detailsLocation").text, "Location: " + fixtures.folderPath("mixed", "rec-b"))
            verify(popup.hasPoster)
            compare(popup.width, 560)
        }

        function test_fromEmptyLookup() {
            // A file opened by hand is not in the library: the sheet opens almost empty.
            const meta = libraryModel.recordingForUrl("file:///nowhere/master.m3u8")
            compare(Object.keys(meta).length, 0)
            show(meta)
            verify(!popup.hasPoster)
            compare(popup.width, 480)
            verify(!part("detailsRecorded").visible)
            verify(!part("detailsLocation").visible)
            verify(!part("detailsStrip").visible)
        }

        function test_close_data() {
            return [
                { tag: "Esc", how: "escape" },
                { tag: "click outside", how: "click outside" },
                { tag: "Close button", how: "button" }
            ]
        }

        function test_close(data) {
            show({ name: "Evening News" })
            compare(mainWindow.modalOpen, true)
            if (data.how === "escape")
                keyClick(Qt.Key_Escape)
            else if (data.how === "click outside")
                mouseClick(scene, 5, 5)
            else
                mouseClick(part("detailsCloseButton"))
            tryCompare(popup, "visible", false)
            compare(mainWindow.modalOpen, false)
        }
    }
}
