// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The generation popup: no way out while the work runs, every way out after a failure.
Item {
    id: scene
    width: 800
    height: 600

    PlaylistGenPopup {
        id: popup
    }

    Component {
        id: genComponent
        PlaylistGenPopup {}
    }

    Item {
        id: narrow
        width: 400
        height: 160
        PlaylistGenPopup {
            id: narrowPopup
            genState: "error"
            errorText: "The flow table lists no media streams, so there is nothing to write a playlist for. Check that the box finished writing this recording."
        }
    }

    TestCase {
        name: "PlaylistGenPopup"
        when: windowShown

        function part(name) {
            const item = findChild(popup.contentItem, name)
            verify(item, "no item " + name)
            return item
        }

        // As the shell starts a generation.
        function openRunning() {
            popup.recordingName = "Nature Hour"
            popup.recordingTitle = "Whales"
            popup.genState = "running"
            popup.errorText = ""
            popup.open()
            tryCompare(popup, "opened", true)
        }

        function init() {
            mainWindow.reset()
        }

        function cleanup() {
            popup.genState = "error"
            popup.close()
            narrowPopup.close()
        }

        function test_initialState() {
            const fresh = createTemporaryObject(genComponent, scene)
            compare(fresh.genState, "running")
            compare(fresh.recordingName, "")
            compare(fresh.recordingTitle, "")
            compare(fresh.errorText, "")
            compare(fresh.pendingMasterUrl, undefined)
        }

        function test_running() {
            openRunning()
            compare(mainWindow.modalOpen, true)
            compare(part("genHeader").text, "Generating playlists…")
            verify(part("genProgress").visible)
            verify(part("genProgress").indeterminate)
            verify(!part("genError").visible)
            verify(!part("genCloseButton").visible)
            compare(part("genName").text, "Nature Hour")
            compare(part("genTitle").text, "Whales")

            keyClick(Qt.Key_Escape)
            mouseClick(scene, 5, 5)
            wait(50)
            verify(popup.opened)
            compare(mainWindow.modalOpen, true)
        }

        function test_emptyNameAndTitleHidden() {
            openRunning()
            popup.recordingName = ""
            popup.recordingTitle = ""
            verify(!part("genName").visible)
            verify(!part("genTitle").visible)
        }

        function test_errorClose_data() {
            return [
                { tag: "Esc", how: "escape" },
                { tag: "click outside", how: "click outside" },
                { tag: "Close button", how: "button" }
            ]
        }

        function test_errorClose(data) {
            openRunning()
            popup.genState = "error"
            popup.errorText = "cannot read the flow table"
            compare(part("genHeader").text, "Generation failed")
            verify(!part("genProgress").visible)
            verify(part("genError").visible)
            compare(part("genError").text, "cannot read the flow table")
            verify(part("genCloseButton").visible)
            compare(part("genCloseButton").text, "Close")

            if (data.how === "escape")
                keyClick(Qt.Key_Escape)
            else if (data.how === "click outside")
                mouseClick(scene, 5, 5)
            else
                mouseClick(part("genCloseButton"))
            tryCompare(popup, "visible", false)
            compare(mainWindow.modalOpen, false)
        }

        function test_geometry() {
            openRunning()
            compare(popup.width, 420)
            compare(popup.height, popup.contentItem.implicitHeight + 48)
            compare(popup.x, (scene.width - popup.width) / 2)
            compare(popup.y, (scene.height - popup.height) / 2)

            // A long failure text in a small window: the popup keeps 32 free on each side.
            narrowPopup.open()
            tryCompare(narrowPopup, "opened", true)
            compare(narrowPopup.width, 400 - 64)
            compare(narrowPopup.height, 160 - 64)
            compare(narrowPopup.x, 32)
        }
    }
}
