// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The library screen against the real library model and filter over the fixture folders
// (standins.h): which body shows, the search field, the rows and what a click on them starts.
Item {
    id: scene
    width: 900
    height: 600

    LibraryView {
        id: view
        anchors.fill: parent
    }

    SignalSpy {
        id: playSpy
        target: recordingState
        signalName: "playReady"
    }
    SignalSpy {
        id: resumeSpy
        target: recordingState
        signalName: "resumeRequested"
    }
    SignalSpy {
        id: generationSpy
        target: view
        signalName: "generationRequested"
    }
    SignalSpy {
        id: detailsSpy
        target: view
        signalName: "detailsRequested"
    }
    SignalSpy {
        id: toggleSpy
        target: mainWindow
        signalName: "libraryToggleRequested"
    }

    TestCase {
        id: tc
        name: "LibraryView"
        when: windowShown

        readonly property var bodies: ["noLibraryBody", "emptyLibraryBody", "noMatchBody", "recordingList"]

        function part(name) {
            const item = findChild(view, name)
            verify(item, "no item " + name)
            return item
        }

        function setLibrary(which) {
            settings.libraryRoot = which === "" ? "" : fixtures.rootUrl(which)
        }

        function rowNamed(name) {
            const list = part("recordingList")
            for (let i = 0; i < list.count; ++i) {
                const row = list.itemAtIndex(i)
                if (row && row.name === name)
                    return row
            }
            fail("no row " + name)
        }

        function visibleBodies() {
            return bodies.filter(b => part(b).visible)
        }

        function init() {
            view.visible = true
            part("searchField").text = ""
            settings.showAtsc3 = true
            setLibrary("mixed")
            libraryModel.refresh()
            bridge.reset()
            mainWindow.reset()
            playSpy.clear()
            resumeSpy.clear()
            generationSpy.clear()
            detailsSpy.clear()
            toggleSpy.clear()
        }

        function cleanup() {
            part("folderDialog").close()
            part("searchField").focus = false
            recordingState.cancelResume()
        }

        function test_fmtDuration_data() {
            return [
                { tag: "90 minutes", secs: 5400, text: "1h 30m" },
                { tag: "45 minutes", secs: 2700, text: "45m" },
                { tag: "half a minute short of two hours", secs: 7170, text: "2h 0m" },
                { tag: "half a minute short of one hour", secs: 3570, text: "1h 0m" },
                { tag: "half a minute rounds up", secs: 90, text: "2m" },
                { tag: "under half a minute", secs: 29, text: "0m" },
                { tag: "exactly one hour", secs: 3600, text: "1h 0m" },
                { tag: "zero", secs: 0, text: "" },
                { tag: "negative", secs: -60, text: "" },
                { tag: "undefined", secs: undefined, text: "" },
                { tag: "null", secs: null, text: "" }
            ]
        }

        function test_fmtDuration(data) {
            compare(view.fmtDuration(data.secs), data.text)
        }

        function test_bodies_data() {
            return [
                { tag: "no library", root: "", body: "noLibraryBody", header: false, search: false },
                { tag: "library without recordings", root: "empty", body: "emptyLibraryBody",
                    header: true, search: false },
                { tag: "search matches nothing", root: "mixed", text: "zzz", body: "noMatchBody",
                    header: true, search: true, message: "No recordings match \"zzz\"", clearButton: true },
                { tag: "ATSC 3.0 switch hides every row", root: "atsc3", atsc3: false, body: "noMatchBody",
                    header: true, search: true, message: "No recordings match the current filters",
                    clearButton: false },
                { tag: "all recordings", root: "mixed", body: "recordingList", header: true, search: true, rows: 3 },
                { tag: "ATSC 3.0 switch off", root: "mixed", atsc3: false, body: "recordingList",
                    header: true, search: true, rows: 2 },
                { tag: "search by title, any case", root: "mixed", text: "FINALS", body: "recordingList",
                    header: true, search: true, rows: 1 }
            ]
        }

        function test_bodies(data) {
            settings.showAtsc3 = data.atsc3 === undefined ? true : data.atsc3
            setLibrary(data.root)
            if (data.text)
                part("searchField").text = data.text

            compare(visibleBodies(), [data.body])
            compare(part("headerBand").visible, data.header)
            compare(part("headerBand").height, data.header ? 56 : 0)
            compare(part("searchBand").visible, data.search)
            compare(part("searchBand").height, data.search ? 48 : 0)
            compare(libraryFilter.filterText, data.text ? data.text : "")
            if (data.message !== undefined) {
                compare(part("noMatchText").text, data.message)
                compare(part("noMatchClearButton").visible, data.clearButton)
            }
            if (data.rows !== undefined)
                compare(part("recordingList").count, data.rows)
            // The list and the two bodies below the bands start where the bands end.
            const below = data.body === "noLibraryBody" ? 0 : (data.header ? 56 : 0) + (data.search ? 48 : 0)
            if (data.body !== "emptyLibraryBody")
                compare(part(data.body).y, below)
        }

        function test_clearSearch_data() {
            return [
                { tag: "button of the empty result", button: "noMatchClearButton" },
                { tag: "button in the search band", button: "clearSearchButton" }
            ]
        }

        function test_clearSearch(data) {
            const field = part("searchField")
            verify(!part("clearSearchButton").visible)
            field.text = "zzz"
            compare(visibleBodies(), ["noMatchBody"])
            verify(part(data.button).visible)
            mouseClick(part(data.button))
            compare(field.text, "")
            compare(libraryFilter.filterText, "")
            compare(visibleBodies(), ["recordingList"])
            verify(!part("clearSearchButton").visible)
        }

        function test_searchFieldTypingAndFocus() {
            const field = part("searchField")
            mouseClick(field)
            verify(field.activeFocus)
            compare(mainWindow.textInputFocused, true)
            keyClick(Qt.Key_N)
            keyClick(Qt.Key_I)
            keyClick(Qt.Key_G)
            compare(field.text, "nig")
            compare(libraryFilter.filterText, "nig")
            compare(part("recordingList").count, 1)

            // Esc is not a way to clear the field.
            keyClick(Qt.Key_Escape)
            compare(field.text, "nig")

            // Hiding the view takes the keyboard away, so the shortcuts come back.
            view.visible = false
            verify(!field.activeFocus)
            verify(!field.focus)
            compare(mainWindow.textInputFocused, false)
            view.visible = true
            verify(!field.activeFocus)
            compare(mainWindow.textInputFocused, false)
        }

        function test_libraryPath_data() {
            return [
                { tag: "drive letter", root: "file:///C:/Recordings/TV", path: "C:/Recordings/TV" },
                { tag: "lower-case drive letter", root: "file:///d:/tv", path: "d:/tv" },
                { tag: "POSIX path keeps its slash", root: "file:///srv/tv", path: "/srv/tv" }
            ]
        }

        function test_libraryPath(data) {
            ignoreWarning(new RegExp("library root does not exist"))
            settings.libraryRoot = data.root
            compare(part("headerPath").text, data.path)
            compare(visibleBodies(), ["emptyLibraryBody"])
            compare(part("emptyLibraryPath").text, data.path)
        }

        function test_fixtureRootPath() {
            const expected = String(fixtures.rootUrl("mixed")).replace("file://", "")
            verify(expected.startsWith("/"))
            compare(part("headerPath").text, expected)
        }

        function test_backButton() {
            const back = part("backButton")
            verify(!back.visible)
            bridge.openAt(fixtures.masterUrl("mixed", "rec-b"), 0)
            verify(back.visible)
            compare(back.text, "← Back to video")
            mouseClick(back)
            compare(toggleSpy.count, 1)
        }

        function test_refreshButton() {
            const path = fixtures.addRecording("mixed", "rec-d", "Zebra Docs")
            verify(path !== "")
            compare(libraryModel.count, 3)
            mouseClick(part("refreshButton"))
            compare(libraryModel.count, 4)
            compare(part("recordingList").count, 4)
            verify(fixtures.removeFolder(path))
            libraryModel.refresh()
            compare(libraryModel.count, 3)
        }

        function test_rowContent_data() {
            return [
                { tag: "full metadata", name: "Evening News", title: "Tuesday edition", se: "S3E12",
                    channel: "7.5 (ATSC-1)", duration: "1h 30m", date: "Nov 14, 2023" },
                { tag: "name and channel only", name: "Nature Hour", title: "", se: "", channel: "25.3 (ATSC-3)",
                    duration: "45m", date: "" }
            ]
        }

        function test_rowContent(data) {
            const row = rowNamed(data.name)
            compare(row.height, 64)
            compare(row.width, view.width)
            const fields = [["rowTitle", data.title], ["rowSeasonEpisode", data.se],
                            ["rowChannel", data.channel], ["rowDuration", data.duration],
                            ["rowDate", data.date]]
            compare(findChild(row, "rowName").text, data.name)
            // A name with room to spare is never cut short.
            verify(!findChild(row, "rowName").truncated)
            for (const [objectName, text] of fields) {
                const label = findChild(row, objectName)
                compare(label.visible, text !== "", objectName)
                if (text !== "")
                    compare(label.text, text, objectName)
            }
        }

        function test_rowClick_data() {
            return [
                { tag: "with playlist, no saved position", name: "Evening News", folder: "rec-b", play: 1,
                    resume: 0, generate: 0 },
                { tag: "with playlist and a saved position", name: "Quiz Night", folder: "rec-c", play: 0,
                    resume: 1, generate: 0 },
                { tag: "without playlist", name: "Nature Hour", folder: "rec-a", play: 0, resume: 0,
                    generate: 1 }
            ]
        }

        function test_rowClick(data) {
            const row = rowNamed(data.name)
            mouseClick(row, 100, 20)
            compare(playSpy.count, data.play)
            compare(resumeSpy.count, data.resume)
            compare(generationSpy.count, data.generate)
            const master = String(fixtures.masterUrl("mixed", data.folder))
            if (data.play) {
                compare(String(playSpy.signalArguments[0][0]), master)
                compare(playSpy.signalArguments[0][1], 0)
            }
            if (data.resume) {
                compare(String(resumeSpy.signalArguments[0][0]), master)
                compare(resumeSpy.signalArguments[0][1], 120)
            }
            if (data.generate) {
                const args = generationSpy.signalArguments[0]
                compare(args[0], fixtures.folderPath("mixed", data.folder))
                compare(String(args[1]), master)
                compare(args[2].name, data.name)
                compare(args[2].title, "")
            }
        }

        function test_generatedRowPlaysDirectly() {
            const path = fixtures.folderPath("mixed", "rec-a")
            mouseClick(rowNamed("Nature Hour"), 100, 20)
            compare(generationSpy.count, 1)
            compare(playSpy.count, 0)

            libraryModel.markPlaylistGenerated(path)
            mouseClick(rowNamed("Nature Hour"), 100, 20)
            compare(generationSpy.count, 1)
            compare(playSpy.count, 1)
            compare(String(playSpy.signalArguments[0][0]), String(fixtures.masterUrl("mixed", "rec-a")))
        }

        function test_infoButton_data() {
            return [
                { tag: "row with playlist", name: "Evening News", folder: "rec-b", title: "Tuesday edition",
                    se: "S3E12", channel: "7.5 (ATSC-1)", description: "Headlines, weather and sport.",
                    date: "2023-11-14 20:00", poster: true },
                { tag: "row without playlist", name: "Nature Hour", folder: "rec-a", title: "", se: "",
                    channel: "25.3 (ATSC-3)", description: "", date: "", poster: false }
            ]
        }

        function test_infoButton(data) {
            const row = rowNamed(data.name)
            const info = findChild(row, "infoButton")
            compare(info.width, 36)
            compare(info.height, 36)
            compare(info.tooltip, "Details")
            mouseClick(info)
            compare(playSpy.count, 0)
            compare(resumeSpy.count, 0)
            compare(generationSpy.count, 0)
            compare(detailsSpy.count, 1)

            const meta = detailsSpy.signalArguments[0][0]
            compare(meta.name, data.name)
            compare(meta.title, data.title)
            compare(meta.seasonEpisode, data.se)
            compare(meta.channel, data.channel)
            compare(meta.description, data.description)
            compare(meta.path, fixtures.folderPath("mixed", data.folder))
            if (data.date === "")
                compare(meta.recordedAt, undefined)
            else
                compare(Qt.formatDateTime(meta.recordedAt, "yyyy-MM-dd hh:mm"), data.date)
            compare(String(meta.posterUrl) !== "", data.poster)
            if (data.poster)
                verify(String(meta.posterUrl).endsWith("/rec-b/poster.png"))
        }

        function test_rowHover() {
            const row = rowNamed("Quiz Night")
            const area = findChild(row, "rowArea")
            compare(area.cursorShape, Qt.PointingHandCursor)
            mouseMove(row, 200, 30)
            tryCompare(row.children[0], "opacity", 0.06)
            mouseMove(scene, 10, scene.height - 5)
            tryCompare(row.children[0], "opacity", 0)
        }

        function test_folderDialog_data() {
            return [
                { tag: "header button", root: "mixed", button: "headerChooseButton" },
                { tag: "first-run button", root: "", button: "chooseFolderButton" }
            ]
        }

        function test_folderDialog(data) {
            setLibrary(data.root)
            const dialog = part("folderDialog")
            compare(dialog.title, "Choose recordings folder")
            const button = part(data.button)
            verify(button.visible)
            compare(button.text, "Choose Folder…")
            mouseClick(button)
            tryCompare(dialog, "visible", true)
            if (data.root !== "")
                compare(String(dialog.currentFolder), String(fixtures.rootUrl(data.root)))

            // Accepting stores the folder; the rescan follows the setting.
            dialog.selectedFolder = fixtures.rootUrl("atsc3")
            dialog.accept()
            compare(String(settings.libraryRoot), String(fixtures.rootUrl("atsc3")))
            compare(libraryModel.count, 1)
            compare(visibleBodies(), ["recordingList"])
        }
    }
}
