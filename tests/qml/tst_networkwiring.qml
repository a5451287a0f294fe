// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The network side's road through the root document, with the real network objects (no box
// listens where they send, so every request fails at once): the devices menu and its first
// sweep, a picked box's list, the Back buttons and the library toggle, the resume popup and the
// banner fed by the real playback session, the download's toast, and a finished download in the
// local list.
Item {
    id: scene
    width: 1100
    height: 619

    Component {
        id: mainComponent
        Main {}
    }

    SignalSpy {
        id: loadSpy
        target: remoteRecordingsModel
        signalName: "loadFinished"
    }
    SignalSpy {
        id: playErrorSpy
        target: remotePlayback
        signalName: "error"
    }
    SignalSpy {
        id: downloadErrorSpy
        target: remoteDownload
        signalName: "error"
    }
    SignalSpy {
        id: mediaSpy
        target: bridge
        signalName: "currentMediaChanged"
    }

    TestCase {
        name: "NetworkWiring"
        when: windowShown

        readonly property var boxes: [
            { name: "Living Room", ip: "127.0.0.1", id: "0a1b2c3d4e01", tuners: 4, library: true }
        ]

        function part(item, name) {
            const found = findChild(item, name)
            verify(found, "no item " + name)
            return found
        }

        function makeMain() {
            const main = createTemporaryObject(mainComponent, scene, { width: scene.width, height: scene.height })
            verify(main, "Main did not load")
            waitForRendering(main)
            return main
        }

        function firstRow(view, listName) {
            const list = part(view, listName)
            let found = null
            tryVerify(() => {
                found = list.itemAtIndex(0)
                return found !== null
            }, 2000, "no row in " + listName)
            return found
        }

        // The menu's "Norvale Devices…" and a found box picked from the list.
        function openBox(main) {
            mainWindow.requestShowDevices()
            discoveryService.finish(boxes)
            mouseClick(firstRow(part(main, "deviceListLayer"), "deviceList"), 200, 36)
        }

        function init() {
            bridge.reset()
            mainWindow.reset()
            discoveryService.reset()
            discoveryService.finish([])
            discoveryService.reset()
            settings.showAtsc3 = true
            settings.libraryRoot = fixtures.rootUrl("mixed")
            libraryModel.refresh()
            loadSpy.clear()
            playErrorSpy.clear()
            downloadErrorSpy.clear()
            mediaSpy.clear()
        }

        function cleanup() {
            // Nothing of one case runs on into the next.
            tryCompare(remoteRecordingsModel, "loading", false, 10000)
            tryCompare(remoteDownload, "active", false, 10000)
        }

        function test_devicesMenuSweepsOnlyTheFirstTime() {
            const main = makeMain()
            const devices = part(main, "deviceListLayer")
            verify(!devices.visible)
            mainWindow.requestShowDevices()
            verify(devices.visible)
            compare(discoveryService.refreshCount, 1)
            discoveryService.finish(boxes)

            // Closed and opened again: the boxes found before stay, nothing sweeps.
            mouseClick(part(devices, "backButton"))
            verify(!devices.visible)
            mainWindow.requestShowDevices()
            verify(devices.visible)
            compare(discoveryService.refreshCount, 1)
            compare(part(devices, "deviceList").count, 1)

            // A sweep that found nothing is tried again on the next opening, one still running
            // is not.
            discoveryService.refresh()
            discoveryService.finish([])
            mainWindow.requestShowLocalLibrary()
            verify(!devices.visible)
            mainWindow.requestShowDevices()
            compare(discoveryService.refreshCount, 3)
            mainWindow.requestShowDevices()
            compare(discoveryService.refreshCount, 3)
        }

        function test_pickedBoxLoadsItsList() {
            const main = makeMain()
            const recordings = part(main, "remoteLibraryLayer")
            openBox(main)
            verify(recordings.visible)
            // The device list stays underneath.
            verify(part(main, "deviceListLayer").visible)
            compare(remoteRecordingsModel.host, "127.0.0.1")
            compare(part(recordings, "deviceTitle").text, "Living Room")
            compare(part(recordings, "deviceHost").text, "127.0.0.1")

            // No box there: the real transport's text, and Retry asks the same host again.
            tryCompare(loadSpy, "count", 1)
            compare(loadSpy.signalArguments[0][0], false)
            const error = loadSpy.signalArguments[0][1]
            verify(error !== "")
            tryCompare(part(recordings, "emptyBody"), "visible", true)
            compare(part(recordings, "emptyTitle").text, "Couldn't load recordings")
            compare(part(recordings, "emptyText").text, error)
            mouseClick(part(recordings, "retryButton"))
            tryCompare(loadSpy, "count", 2)
            compare(remoteRecordingsModel.host, "127.0.0.1")

            // Back returns to the device list, whose Back returns to what was underneath.
            mouseClick(part(recordings, "backButton"))
            verify(!recordings.visible)
            verify(part(main, "deviceListLayer").visible)
            mouseClick(part(part(main, "deviceListLayer"), "backButton"))
            verify(!part(main, "deviceListLayer").visible)
            verify(part(main, "libraryLayer").visible)
        }

        function test_layersAndTheLibraryMenus_data() {
            return [
                { tag: "local library", how: "local", watching: false, library: true },
                { tag: "local library while watching", how: "local", watching: true, library: true },
                { tag: "library toggle while watching", how: "toggle", watching: true, library: false },
                { tag: "library toggle with nothing loaded", how: "toggle", watching: false, library: true, stays: true }
            ]
        }

        function test_layersAndTheLibraryMenus(data) {
            const main = makeMain()
            if (data.watching)
                bridge.openAt(fixtures.masterUrl("mixed", "rec-b"), 0)
            openBox(main)
            if (data.how === "local")
                mainWindow.requestShowLocalLibrary()
            else
                mainWindow.requestToggleLibrary()
            const up = data.stays === true
            compare(part(main, "deviceListLayer").visible, up)
            compare(part(main, "remoteLibraryLayer").visible, up)
            compare(part(main, "libraryLayer").visible, data.library)
            if (data.how === "toggle" && data.watching) {
                // Nothing network is playing: the toggle brings the local library back.
                mainWindow.requestToggleLibrary()
                verify(part(main, "libraryLayer").visible)
                verify(!part(main, "remoteLibraryLayer").visible)
            }
        }

        function test_resumePopupAnswersTheSession_data() {
            return [
                { tag: "Resume from", button: "resumeButton", sends: true },
                { tag: "Start from beginning", button: "startOverButton", sends: true },
                { tag: "Cancel", button: "cancelButton", sends: false }
            ]
        }

        function test_resumePopupAnswersTheSession(data) {
            const main = makeMain()
            const popup = part(main, "resumePopup")
            const recordings = part(main, "remoteLibraryLayer")
            openBox(main)
            tryCompare(loadSpy, "count", 1)

            remotePlayback.play("127.0.0.1", 3, 7, 125, "Harbor <b>Lights</b>", "Night Watch")
            verify(popup.opened)
            verify(popup.resumeTarget === remotePlayback)
            compare(popup.recordingName, "Harbor <b>Lights</b>")
            compare(popup.recordingTitle, "Night Watch")
            compare(popup.savedSeconds, 125)
            compare(part(popup.contentItem, "resumeButton").text, "Resume from 2:05")
            compare(mainWindow.modalOpen, true)

            mouseClick(part(popup.contentItem, data.button))
            tryCompare(popup, "visible", false)
            if (data.sends) {
                // The start request finds no box: its text goes to the banner.
                tryCompare(playErrorSpy, "count", 1)
                const message = playErrorSpy.signalArguments[0][0]
                verify(message !== "")
                compare(recordings.playError, message)
                verify(part(recordings, "playErrorBanner").visible)
                compare(part(recordings, "playErrorText").text, message)
            } else {
                wait(300) // a start would fail within this on loopback
                compare(playErrorSpy.count, 0)
                compare(recordings.playError, "")
            }
            compare(bridge.openCount, 0)

            // The local resume popup gets its own target back.
            recordingState.play(fixtures.masterUrl("mixed", "rec-c"), fixtures.folderPath("mixed", "rec-c"))
            verify(popup.opened)
            verify(popup.resumeTarget === recordingState)
            keyClick(Qt.Key_Escape)
            tryCompare(popup, "visible", false)
        }

        function test_playReadyOpensTheNetworkMedia() {
            const main = makeMain()
            bridge.openAt(fixtures.masterUrl("mixed", "rec-b"), 0)
            openBox(main)
            mediaSpy.clear()
            const url = "file:///tmp/Norplay_master_3.m3u8"
            remotePlayback.playReady(url, 125)
            // Stopped first, so what played before sees its media end.
            compare(mediaSpy.count, 2)
            compare(String(bridge.lastOpenUrl), url)
            compare(bridge.lastOpenStart, 125)
            compare(String(bridge.currentMedia), url)
            verify(!part(main, "deviceListLayer").visible)
            verify(!part(main, "remoteLibraryLayer").visible)
            verify(!part(main, "libraryLayer").visible)
            verify(!main.firstFrameSeen)
        }

        function test_sameStartErrorTwiceShowsAgain() {
            const main = makeMain()
            const recordings = part(main, "remoteLibraryLayer")
            remotePlayback.error("DVR_START returned no playback URL")
            compare(recordings.playError, "DVR_START returned no playback URL")
            recordings.playError = ""
            remotePlayback.error("DVR_START returned no playback URL")
            compare(recordings.playError, "DVR_START returned no playback URL")
        }

        function test_downloadFailureToast() {
            const main = makeMain()
            const recordings = part(main, "remoteLibraryLayer")
            openBox(main)
            settings.libraryRoot = ""
            remoteDownload.download("127.0.0.1", "harbor-s1e2", 1000, "Harbor Lights")
            compare(downloadErrorSpy.count, 1)
            const toast = part(recordings, "toast")
            verify(toast.visible)
            compare(part(toast, "toastText").text, "Choose a local library folder first (Library ▸ Local Recordings).")
            verify(Qt.colorEqual(toast.color, "#5a2020"))
        }

        function test_finishedDownloadShowsInTheLocalList() {
            const main = makeMain()
            const local = part(main, "libraryLayer")
            compare(libraryModel.count, 3)
            const path = fixtures.addRecording("mixed", "rec-d", "Downloaded Show")
            verify(path !== "")
            // What a finished download announces; start-up's connection refreshes the list.
            remoteDownload.downloaded(path)
            compare(libraryModel.count, 4)
            verify(fixtures.removeFolder(path))
            libraryModel.refresh()
            compare(libraryModel.count, 3)
        }
    }
}
