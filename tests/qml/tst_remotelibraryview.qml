// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The recordings view against stand-ins of the box's list, the playback session and the
// download (the real ATSC 3.0 filter sits on the stand-in list): which body shows while loading
// and after, the rows and what their click and buttons start, the download's progress and
// toast, and the start-error banner.
Item {
    id: scene
    width: 1000
    height: 640

    MouseArea {
        id: below
        property int clicks: 0
        anchors.fill: parent
        onClicked: ++clicks
    }

    RemoteLibraryView {
        id: view
        anchors.fill: parent
        recordingsModel: standInRecordings
        recordingsFilter: standInRecordingsFilter
        playback: standInPlayback
        downloader: standInDownload
    }

    // The local list, for its duration text.
    LibraryView {
        id: localView
        visible: false
    }

    Component {
        id: plainText
        Text {
            textFormat: Text.PlainText
        }
    }

    SignalSpy {
        id: detailsSpy
        target: view
        signalName: "detailsRequested"
    }
    SignalSpy {
        id: closeSpy
        target: view
        signalName: "closeRequested"
    }

    TestCase {
        name: "RemoteLibraryView"
        when: windowShown

        readonly property var harbor: ({
                name: "Harbor Lights", title: "Night Watch", seasonEpisode: "S1E2",
                channel: "7.1 (ATSC-1)", atscVersion: 1, description: "Fog over the bay.",
                recordedAt: new Date(2026, 10, 2, 20, 0), duration: 5400, playId: 11,
                position: 95, posterUrl: "http://10.0.0.5/poster/11.png",
                driveBasename: "harbor-s1e2", numBytes: 123456789
            })
        readonly property var quiz: ({
                name: "", title: "", atscVersion: -1, duration: 0, playId: 12, position: 0,
                driveBasename: ""
            })
        readonly property var ocean: ({
                name: "Ocean <i>Deep</i>", title: "<b>Reef</b>", channel: "19.3 (ATSC-3)",
                atscVersion: 3, duration: 1200, playId: 13, position: 4,
                driveBasename: "ocean", numBytes: 0
            })

        function part(item, name) {
            const found = findChild(item, name)
            verify(found, "no item " + name)
            return found
        }

        function bodies() {
            return ["loadingBody", "emptyBody", "recordingList"].filter(b => part(view, b).visible)
        }

        function rows() {
            const list = part(view, "recordingList")
            const out = []
            for (let i = 0; i < list.count; ++i) {
                const row = list.itemAtIndex(i)
                if (row)
                    out.push(row)
            }
            return out
        }

        function row(playId) {
            let found = null
            tryVerify(() => {
                found = rows().find(r => r.playId === playId) ?? null
                return found !== null
            }, 2000, "no row " + playId)
            return found
        }

        function verifyPlain(label) {
            const reference = createTemporaryObject(plainText, scene, { text: label.text, font: label.font })
            compare(label.implicitWidth, reference.implicitWidth, label.text + " is not shown as plain text")
        }

        // A load of the box at `host` that ends with the rows (or with `error`).
        function loadFrom(host, rowsSent, error) {
            standInRecordings.load(host)
            standInRecordings.instance = 7
            standInRecordings.finishLoad(error === undefined, error ?? "", rowsSent)
        }

        function init() {
            settings.showAtsc3 = true
            standInRecordings.reset()
            standInPlayback.reset()
            standInDownload.reset()
            view.errorText = ""
            view.playError = ""
            view.toastText = ""
            view.deviceLabel = ""
            detailsSpy.clear()
            closeSpy.clear()
            below.clicks = 0
        }

        function cleanup() {
            settings.showAtsc3 = true
        }

        function test_header() {
            compare(part(view, "deviceTitle").text, "Recordings")
            verify(!part(view, "deviceHost").visible)
            view.deviceLabel = "<b>Living</b> Room"
            loadFrom("10.0.0.5", [harbor])
            compare(part(view, "deviceTitle").text, "<b>Living</b> Room")
            verifyPlain(part(view, "deviceTitle"))
            verify(part(view, "deviceHost").visible)
            compare(part(view, "deviceHost").text, "10.0.0.5")
            compare(part(view, "backButton").tooltip, "Back to devices")
            mouseClick(part(view, "backButton"))
            compare(closeSpy.count, 1)
        }

        function test_loadingWithoutRows() {
            standInRecordings.load("10.0.0.5")
            compare(bodies(), ["loadingBody"])
            verify(part(view, "headerBusy").visible)
            verify(!part(view, "refreshButton").enabled)
            standInRecordings.finishLoad(true, "", [harbor])
            compare(bodies(), ["recordingList"])
            verify(!part(view, "headerBusy").visible)
            verify(part(view, "refreshButton").enabled)

            // A reload keeps the rows on screen, with the busy indicator in the header.
            mouseClick(part(view, "refreshButton"))
            compare(standInRecordings.loadCount, 2)
            compare(standInRecordings.lastLoadHost, "10.0.0.5")
            compare(bodies(), ["recordingList"])
            verify(part(view, "headerBusy").visible)
        }

        function test_nothingToShow_data() {
            return [
                { tag: "failed load", rows: [], error: "Connection refused", atsc3: true,
                  title: "Couldn't load recordings", text: "Connection refused", retry: true },
                { tag: "every row hidden by the filter", rows: [ocean, ocean], atsc3: false,
                  title: "No recordings match the current filters",
                  text: "Every recording on this device is ATSC-3. Turn on File ▸ Show ATSC-3 to see them.",
                  retry: false },
                { tag: "a failure beats the filter", rows: [ocean], atsc3: false, error: "Request timed out",
                  title: "Couldn't load recordings", text: "Request timed out", retry: true },
                { tag: "empty box", rows: [], atsc3: true, title: "No recordings",
                  text: "This device has no recordings to show.", retry: true }
            ]
        }

        function test_nothingToShow(data) {
            settings.showAtsc3 = data.atsc3
            if (data.error !== undefined) {
                // What the box had before, then a failed reload.
                loadFrom("10.0.0.5", data.rows)
                loadFrom("10.0.0.5", [], data.error)
            } else {
                loadFrom("10.0.0.5", data.rows)
            }
            compare(bodies(), ["emptyBody"])
            compare(part(view, "emptyTitle").text, data.title)
            compare(part(view, "emptyText").text, data.text)
            compare(part(view, "retryButton").visible, data.retry)
            if (data.retry) {
                mouseClick(part(view, "retryButton"))
                compare(standInRecordings.loadCount, 3 - (data.error === undefined ? 1 : 0))
                compare(standInRecordings.lastLoadHost, "10.0.0.5")
            }
        }

        function test_filterRefiltersInPlace() {
            settings.showAtsc3 = false
            loadFrom("10.0.0.5", [ocean, harbor, ocean])
            compare(bodies(), ["recordingList"])
            compare(part(view, "recordingList").count, 1)
            settings.showAtsc3 = true
            compare(part(view, "recordingList").count, 3)
            compare(standInRecordings.loadCount, 1)
            settings.showAtsc3 = false
            loadFrom("10.0.0.5", [ocean])
            compare(bodies(), ["emptyBody"])
            settings.showAtsc3 = true
            compare(bodies(), ["recordingList"])
            compare(standInRecordings.loadCount, 2)
        }

        function test_failedReloadKeepsTheRows() {
            loadFrom("10.0.0.5", [harbor, quiz])
            loadFrom("10.0.0.5", [], "Connection refused")
            compare(view.errorText, "Connection refused")
            compare(bodies(), ["recordingList"])
            compare(part(view, "recordingList").count, 2)
            // The next good load clears the error.
            loadFrom("10.0.0.5", [])
            compare(view.errorText, "")
            compare(part(view, "emptyTitle").text, "No recordings")
        }

        function test_rowTexts_data() {
            return [
                { tag: "every field", id: 11, name: "Harbor Lights", title: "Night Watch", se: "S1E2",
                  channel: "7.1 (ATSC-1)", duration: "1h 30m", date: "Nov 2, 2026" },
                { tag: "nothing but an id", id: 12, name: "(untitled)", title: "", se: "", channel: "",
                  duration: "", date: "" },
                { tag: "markup", id: 13, name: "Ocean <i>Deep</i>", title: "<b>Reef</b>", se: "",
                  channel: "19.3 (ATSC-3)", duration: "20m", date: "" }
            ]
        }

        function test_rowTexts(data) {
            loadFrom("10.0.0.5", [harbor, quiz, ocean])
            const r = row(data.id)
            compare(r.height, 64)
            compare(part(r, "rowName").text, data.name)
            const fields = { rowTitle: data.title, rowSeasonEpisode: data.se, rowChannel: data.channel,
                             rowDuration: data.duration, rowDate: data.date }
            for (const name in fields) {
                const label = part(r, name)
                compare(label.visible, fields[name] !== "", name)
                if (fields[name] !== "")
                    compare(label.text, fields[name], name)
            }
            for (const name of ["rowName", "rowTitle", "rowChannel"])
                verifyPlain(part(r, name))
        }

        // One duration text for both lists.
        function test_durationIsTheLocalListsText_data() {
            return [
                { tag: "90 minutes", secs: 5400, text: "1h 30m" },
                { tag: "20 minutes", secs: 1200, text: "20m" },
                { tag: "zero", secs: 0, text: "" },
                { tag: "negative", secs: -5, text: "" },
                { tag: "half a minute rounds up", secs: 90, text: "2m" },
                { tag: "half a minute short of two hours", secs: 7170, text: "2h 0m" }
            ]
        }

        function test_durationIsTheLocalListsText(data) {
            compare(view.fmtDuration(data.secs), data.text)
            compare(view.fmtDuration(data.secs), localView.fmtDuration(data.secs))
        }

        function test_clickPlaysTheRow_data() {
            return [
                { tag: "on the name", label: "rowName" },
                { tag: "on the date", label: "rowDate" },
                { tag: "on the row's empty middle", label: "" }
            ]
        }

        function test_clickPlaysTheRow(data) {
            loadFrom("10.0.0.5", [harbor, quiz])
            view.playError = "DVR_START returned no playback URL"
            const r = row(11)
            if (data.label !== "")
                mouseClick(part(r, data.label))
            else
                mouseClick(r, r.width / 2, 32)
            compare(standInPlayback.playCount, 1)
            compare(standInPlayback.lastPlay, { host: "10.0.0.5", playId: 11, instance: 7, savedPos: 95,
                                                name: "Harbor Lights", title: "Night Watch" })
            compare(view.playError, "")
            compare(standInDownload.downloadCount, 0)
            compare(detailsSpy.count, 0)
        }

        function test_detailsCarryNoPath() {
            loadFrom("10.0.0.5", [harbor])
            mouseClick(part(row(11), "infoButton"))
            compare(detailsSpy.count, 1)
            const meta = detailsSpy.signalArguments[0][0]
            compare(Object.keys(meta).sort(), ["channel", "description", "name", "posterUrl", "recordedAt",
                                               "seasonEpisode", "title"])
            compare(meta.name, "Harbor Lights")
            compare(meta.description, "Fog over the bay.")
            compare(meta.posterUrl, "http://10.0.0.5/poster/11.png")
            compare(meta.recordedAt.getTime(), harbor.recordedAt.getTime())
            compare(standInPlayback.playCount, 0)
        }

        function test_downloadButton() {
            loadFrom("10.0.0.5", [harbor, quiz])
            const button = part(row(11), "downloadButton")
            compare(button.tooltip, "Download to local library")
            verify(button.enabled)
            // Without a folder name on the box there is nothing to download.
            verify(!part(row(12), "downloadButton").enabled)
            mouseClick(button)
            compare(standInDownload.downloadCount, 1)
            compare(standInDownload.lastDownload, { host: "10.0.0.5", basename: "harbor-s1e2",
                                                    numBytes: 123456789, name: "Harbor Lights" })
            compare(standInPlayback.playCount, 0)
        }

        function test_downloadingRow() {
            loadFrom("10.0.0.5", [harbor, ocean, quiz])
            standInDownload.activeBasename = "ocean"
            standInDownload.active = true
            standInDownload.progress = 250

            const busy = row(13)
            verify(!part(busy, "downloadButton").visible)
            verify(part(busy, "downloadProgress").visible)
            compare(part(busy, "downloadProgress").value, 0.25)
            tryCompare(part(busy, "downloadControl"), "width", 132)
            compare(part(row(11), "downloadControl").width, 36)
            // Every other row waits for it.
            verify(part(row(11), "downloadButton").visible)
            verify(!part(row(11), "downloadButton").enabled)
            verify(!part(row(11), "downloadProgress").visible)

            standInDownload.progress = 1000
            compare(part(busy, "downloadProgress").value, 1)
            const cancel = part(busy, "cancelDownloadButton")
            compare(cancel.tooltip, "Cancel download")
            mouseClick(cancel)
            compare(standInDownload.cancelCount, 1)
            compare(standInPlayback.playCount, 0)

            standInDownload.active = false
            standInDownload.activeBasename = ""
            verify(part(busy, "downloadButton").visible)
            verify(part(busy, "downloadButton").enabled)
            verify(part(row(11), "downloadButton").enabled)
        }

        function test_toast_data() {
            return [
                { tag: "done", ok: true, name: "Harbor <b>Lights</b>",
                  text: "Downloaded “Harbor <b>Lights</b>” to your local library.", colour: "#1f4d2a" },
                { tag: "failed", ok: false, name: "Cannot download video1: Not found",
                  text: "Cannot download video1: Not found", colour: "#5a2020" }
            ]
        }

        function test_toast(data) {
            loadFrom("10.0.0.5", [harbor])
            const toast = part(view, "toast")
            verify(!toast.visible)
            if (data.ok)
                standInDownload.finishedOk(data.name)
            else
                standInDownload.error(data.name)
            verify(toast.visible)
            compare(part(toast, "toastText").text, data.text)
            verifyPlain(part(toast, "toastText"))
            verify(Qt.colorEqual(toast.color, data.colour))
            compare(toast.height, 40)
            compare(toast.width, part(toast, "toastText").implicitWidth + 32)
            fuzzyCompare(toast.x + toast.width / 2, view.width / 2, 0.5)
            compare(toast.y + toast.height, view.height - 24)
            // It floats over the list and moves nothing.
            compare(part(view, "recordingList").height, view.height - 56 - 4)
            tryCompare(toast, "visible", false, 8000)
        }

        function test_toastIsCappedToTheView() {
            standInDownload.error("x".repeat(400))
            const toast = part(view, "toast")
            compare(toast.width, view.width - 48)
            view.toastText = ""
        }

        function test_startErrorBanner() {
            loadFrom("10.0.0.5", [harbor])
            const banner = part(view, "playErrorBanner")
            const list = part(view, "recordingList")
            verify(!banner.visible)
            compare(list.y, 56 + 4)
            view.playError = "The device refused: <b>busy</b>"
            verify(banner.visible)
            compare(banner.height, 40)
            compare(list.y, 56 + 40 + 4)
            compare(part(banner, "playErrorText").text, "The device refused: <b>busy</b>")
            verifyPlain(part(banner, "playErrorText"))
            tryCompare(view, "playError", "", 9000)
            verify(!banner.visible)
        }

        function test_strayClicksStayInTheView() {
            loadFrom("10.0.0.5", [harbor])
            mouseClick(view, view.width / 2, view.height - 20)
            mouseClick(view, view.width / 2, 28)
            loadFrom("10.0.0.5", [])
            mouseClick(view, 30, view.height - 30)
            compare(below.clicks, 0)
            compare(standInPlayback.playCount, 0)
        }
    }
}
