// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The library's road through the root document: a pick without playlists runs the generator
// behind its popup, a saved position goes through the resume popup, and every start ends in
// bridge.openAt; the info buttons of the rows and of the bar open the details popup.
Item {
    id: scene
    width: 1100
    height: 619

    Component {
        id: mainComponent
        Main {}
    }

    SignalSpy {
        id: finishedSpy
        target: playlistGenerator
        signalName: "finished"
    }

    TestCase {
        name: "LibraryWiring"
        when: windowShown

        function part(item, name) {
            const found = findChild(item, name)
            verify(found, "no item " + name)
            return found
        }

        function makeMain() {
            const main = createTemporaryObject(mainComponent, scene, { width: scene.width, height: scene.height })
            verify(main, "Main did not load")
            // Clicks go to what the scene has laid out and shown.
            waitForRendering(main)
            return main
        }

        // The row's delegate, once the list has laid it out.
        function row(main, name) {
            const list = part(part(main, "libraryLayer"), "recordingList")
            let found = null
            tryVerify(() => {
                for (let i = 0; i < list.count; ++i) {
                    const item = list.itemAtIndex(i)
                    if (item && item.name === name)
                        found = item
                }
                return found !== null
            }, 2000, "no row " + name)
            return found
        }

        function init() {
            bridge.reset()
            mainWindow.reset()
            finishedSpy.clear()
            settings.showAtsc3 = true
            libraryFilter.filterText = ""
            settings.libraryRoot = fixtures.rootUrl("mixed")
            libraryModel.refresh()
        }

        function cleanup() {
            recordingState.cancelResume()
        }

        function test_generationFailureStaysOpenWithTheError() {
            const main = makeMain()
            const popup = part(main, "playlistGenPopup")
            mouseClick(row(main, "Nature Hour"), 100, 20)
            verify(popup.opened)
            compare(popup.recordingName, "Nature Hour")
            compare(String(popup.pendingMasterUrl), String(fixtures.masterUrl("mixed", "rec-a")))
            compare(mainWindow.modalOpen, true)

            // The fixture folder has no media streams: the real generator fails.
            tryCompare(finishedSpy, "count", 1)
            compare(finishedSpy.signalArguments[0][0], false)
            compare(popup.genState, "error")
            verify(popup.errorText !== "")
            verify(popup.opened)
            compare(bridge.openCount, 0)
            keyClick(Qt.Key_Escape)
            tryCompare(popup, "visible", false)
            compare(mainWindow.modalOpen, false)
        }

        function test_generationSuccessPlaysTheRow() {
            const main = makeMain()
            const popup = part(main, "playlistGenPopup")
            const path = fixtures.folderPath("mixed", "rec-a")
            mouseClick(row(main, "Nature Hour"), 100, 20)
            tryCompare(finishedSpy, "count", 1)
            // A successful run, as the generator reports it.
            popup.genState = "running"
            playlistGenerator.finished(true, path, "")
            tryCompare(popup, "visible", false)
            compare(bridge.openCount, 1)
            compare(String(bridge.lastOpenUrl), String(fixtures.masterUrl("mixed", "rec-a")))
            compare(bridge.lastOpenStart, 0)
            verify(!part(main, "libraryLayer").visible)
            compare(mainWindow.modalOpen, false)
            // The row now plays without another generation.
            verify(row(main, "Nature Hour").hasPlaylist)
        }

        function test_resumeFromSavedPosition_data() {
            return [
                { tag: "Resume from", button: "resumeButton", opens: 1, start: 120 },
                { tag: "Start from beginning", button: "startOverButton", opens: 1, start: 0 },
                { tag: "Cancel", button: "cancelButton", opens: 0 }
            ]
        }

        function test_resumeFromSavedPosition(data) {
            const main = makeMain()
            const popup = part(main, "resumePopup")
            mouseClick(row(main, "Quiz Night"), 100, 20)
            verify(popup.opened)
            compare(popup.recordingName, "Quiz Night")
            compare(popup.recordingTitle, "Finals")
            compare(popup.savedSeconds, 120)
            compare(mainWindow.modalOpen, true)
            mouseClick(part(popup.contentItem, data.button))
            tryCompare(popup, "visible", false)
            compare(mainWindow.modalOpen, false)
            compare(bridge.openCount, data.opens)
            if (data.opens) {
                compare(String(bridge.lastOpenUrl), String(fixtures.masterUrl("mixed", "rec-c")))
                compare(bridge.lastOpenStart, data.start)
            }
        }

        function test_rowWithoutSavedPositionPlaysAtOnce() {
            const main = makeMain()
            mouseClick(row(main, "Evening News"), 100, 20)
            compare(bridge.openCount, 1)
            compare(bridge.lastOpenStart, 0)
            verify(!part(main, "resumePopup").opened)
            verify(!part(main, "libraryLayer").visible)
        }

        function test_rowInfoOpensDetails() {
            const main = makeMain()
            const popup = part(main, "detailsPopup")
            mouseClick(findChild(row(main, "Evening News"), "infoButton"))
            verify(popup.opened)
            compare(popup.recordingName, "Evening News")
            compare(popup.recordingPath, fixtures.folderPath("mixed", "rec-b"))
            verify(popup.hasPoster)
            compare(bridge.openCount, 0)
        }

        function test_barInfoOpensDetails_data() {
            return [
                { tag: "library recording", folder: "rec-b", name: "Evening News" },
                { tag: "file outside the library", folder: "", name: "" }
            ]
        }

        function test_barInfoOpensDetails(data) {
            const main = makeMain()
            const popup = part(main, "detailsPopup")
            bridge.openAt(data.folder ? fixtures.masterUrl("mixed", data.folder) : "file:///elsewhere/a.m3u8", 0)
            part(main, "controlsBar").infoRequested()
            verify(popup.opened)
            compare(popup.recordingName, data.name)
            compare(popup.recordingRecordedAt === null, data.folder === "")
            compare(popup.hasPoster, data.folder !== "")
        }
    }
}
