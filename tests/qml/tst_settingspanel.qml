// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The settings panel against the stand-in player: the track lists, the subtitle switch and its
// enabling rule, the slide and the scrim that swallows clicks.
Item {
    id: scene
    width: 1100
    height: 619

    // What lies under the panel: counts the clicks that get through.
    MouseArea {
        id: underneath
        property int clicks: 0
        anchors.fill: parent
        onClicked: ++clicks
    }

    SettingsPanel {
        id: panel
        anchors.fill: parent
    }

    SignalSpy {
        id: toggleSpy
        target: mainWindow
        signalName: "settingsToggleRequested"
    }

    TestCase {
        name: "SettingsPanel"
        when: windowShown

        readonly property var aspectModes: [{id: 0, name: "Auto"}, {id: 1, name: "16:9"},
                                            {id: 2, name: "4:3"}]

        function part(name) {
            const item = findChild(panel, name)
            verify(item, "no item " + name)
            return item
        }

        function tracks(count, first) {
            const list = []
            for (let i = 0; i < count; ++i)
                list.push({id: (first || 0) + i, name: "Track " + (i + 1)})
            return list
        }

        function rows(listName) {
            const view = findChild(part(listName), "trackView")
            verify(view, "no list view in " + listName)
            return view
        }

        function init() {
            bridge.reset()
            mainWindow.reset()
            bridge.audioTracks = []
            bridge.currentAudioTrack = -1
            bridge.subtitleTracks = []
            bridge.currentSubtitleTrack = -1
            bridge.aspectModes = aspectModes
            bridge.aspectMode = 0
            panel.open = true
            underneath.clicks = 0
            toggleSpy.clear()
            tryCompare(part("panel"), "x", 0, 1000)
        }

        function test_slidesInFromTheLeft() {
            const body = part("panel")
            compare(body.width, 320)
            compare(body.height, scene.height)
            panel.open = false
            tryCompare(body, "x", -320, 1000)
            tryCompare(part("scrim"), "visible", false, 1000)
            panel.open = true
            tryCompare(body, "x", 0, 1000)
            tryCompare(part("scrim"), "opacity", 0.5, 1000)
        }

        function test_scrimSwallowsClicksWhileOpen() {
            mouseClick(scene, 800, 300)   // right of the panel, on the scrim
            mouseClick(scene, 100, 580)   // on the panel's empty lower part
            compare(underneath.clicks, 0)
            verify(panel.open, "a click outside closed the panel")

            panel.open = false
            tryCompare(part("scrim"), "visible", false, 1000)
            mouseClick(scene, 800, 300)
            compare(underneath.clicks, 1)
        }

        function test_closeButton() {
            mouseClick(part("closeButton"))
            compare(toggleSpy.count, 1)
        }

        function test_trackListHeightFollowsContent_data() {
            return [
                {tag: "empty", count: 0, height: 40},
                {tag: "one", count: 1, height: 44},
                {tag: "three", count: 3, height: 124},
                {tag: "five, capped", count: 5, height: 200},
                {tag: "twelve, capped", count: 12, height: 200},
            ]
        }

        function test_trackListHeightFollowsContent(data) {
            bridge.audioTracks = tracks(data.count, 1)
            const list = part("audioTrackList")
            tryCompare(list, "height", data.height, 1000)
            compare(rows("audioTrackList").count, data.count)
        }

        function test_emptyAudioListSaysSo() {
            const list = part("audioTrackList")
            const empty = findChild(list, "emptyText")
            verify(empty.visible)
            compare(empty.text, "No audio tracks available")
            verify(Qt.colorEqual(empty.color, "#88ffffff"))
            bridge.audioTracks = tracks(2, 1)
            verify(!empty.visible)
        }

        function test_pickingAnAudioTrack() {
            bridge.audioTracks = [{id: -1, name: "Disable"}, {id: 1, name: "English"},
                                  {id: 2, name: "Spanish"}]
            bridge.currentAudioTrack = 1
            const view = rows("audioTrackList")
            tryVerify(() => view.itemAtIndex(2) !== null, 1000)
            verify(Qt.colorEqual(view.itemAtIndex(1).color, "#33ef6d5e"))
            verify(Qt.colorEqual(view.itemAtIndex(2).color, "transparent"))

            mouseMove(view.itemAtIndex(2))
            mouseClick(view.itemAtIndex(2))
            compare(bridge.currentAudioTrack, 2)
            // The picked row is now the selected one (and hovered).
            tryVerify(() => Qt.colorEqual(view.itemAtIndex(2).color, "#55ef6d5e"), 1000)
            verify(Qt.colorEqual(view.itemAtIndex(1).color, "transparent"))
        }

        function test_pickingAnAspect() {
            const view = rows("aspectList")
            tryVerify(() => view.itemAtIndex(2) !== null, 1000)
            compare(view.itemAtIndex(1).modelData.name, "16:9")
            mouseClick(view.itemAtIndex(1))
            compare(bridge.aspectMode, 1)
            mouseClick(view.itemAtIndex(2))
            compare(bridge.aspectMode, 2)
        }

        function test_subtitleSwitchEnabling_data() {
            return [
                {tag: "no tracks", tracks: [], enabled: false},
                {tag: "only the disabling entry", tracks: [{id: -1, name: "Disable"}],
                 enabled: false},
                {tag: "disabling entry and a track",
                 tracks: [{id: -1, name: "Disable"}, {id: 3, name: "Track 1"}], enabled: true},
                {tag: "a track without the disabling entry", tracks: [{id: 7, name: "Track 1"}],
                 enabled: true},
            ]
        }

        function test_subtitleSwitchEnabling(data) {
            bridge.subtitleTracks = data.tracks
            const toggle = part("subtitleSwitch")
            const label = part("subtitleLabel")
            compare(toggle.enabled, data.enabled)
            compare(toggle.indicator.opacity, data.enabled ? 1 : 0.4)
            compare(label.text, data.enabled ? "Show subtitles" : "No subtitles available")
            verify(Qt.colorEqual(label.color, data.enabled ? "white" : "#88ffffff"))

            compare([toggle.width, toggle.height], [44, 22])
            mouseClick(toggle)
            compare(bridge.currentSubtitleTrack, data.enabled ? data.tracks[data.tracks.length - 1].id
                                                              : -1)
        }

        function test_subtitleSwitchOnAndOff() {
            bridge.subtitleTracks = [{id: -1, name: "Disable"}, {id: 4, name: "Track 1"},
                                     {id: 5, name: "Track 2"}]
            const toggle = part("subtitleSwitch")
            const thumb = findChild(toggle.indicator, "thumb")
            verify(!toggle.checked)
            tryCompare(thumb, "x", 4, 1000)

            // On picks the first real track.
            mouseClick(toggle)
            compare(bridge.currentSubtitleTrack, 4)
            verify(toggle.checked)
            tryCompare(thumb, "x", 44 - 14 - 4, 1000)
            verify(Qt.colorEqual(toggle.indicator.color, "#ef6d5e"))

            mouseClick(toggle)
            compare(bridge.currentSubtitleTrack, -1)
            verify(!toggle.checked)

            // The player's own choice shows in the switch, also after a user toggle.
            bridge.currentSubtitleTrack = 5
            verify(toggle.checked)
            bridge.currentSubtitleTrack = -1
            verify(!toggle.checked)
        }
    }
}
