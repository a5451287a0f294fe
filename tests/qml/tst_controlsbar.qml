// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The controls bar against the stand-in player and main window: time texts, what each control
// shows and asks for, the seek slider's commit on release, and the two sizes.
Item {
    id: scene
    width: 1100
    height: 200

    ControlsBar {
        id: bar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: floating ? 80 : 72
    }

    SignalSpy {
        id: seekSpy
        target: bridge
        signalName: "seekRequested"
    }
    SignalSpy {
        id: infoSpy
        target: bar
        signalName: "infoRequested"
    }
    SignalSpy {
        id: fullScreenSpy
        target: mainWindow
        signalName: "toggleFullScreenRequested"
    }
    SignalSpy {
        id: settingsSpy
        target: mainWindow
        signalName: "settingsToggleRequested"
    }
    SignalSpy {
        id: librarySpy
        target: mainWindow
        signalName: "libraryToggleRequested"
    }

    TestCase {
        name: "ControlsBar"
        when: windowShown

        function part(name) {
            const item = findChild(bar, name)
            verify(item, "no item " + name)
            return item
        }

        function init() {
            bridge.reset()
            mainWindow.reset()
            bridge.muted = false
            bridge.volume = 80
            bar.floating = false
            for (const spy of [seekSpy, infoSpy, fullScreenSpy, settingsSpy, librarySpy])
                spy.clear()
        }

        function cleanup() {
            bridge.reset()
            mainWindow.reset()
        }

        function test_formatTime_data() {
            return [
                {tag: "unknown length", ms: -1, text: "--:--"},
                {tag: "negative", ms: -5000, text: "--:--"},
                {tag: "zero", ms: 0, text: "0:00"},
                {tag: "under a second", ms: 999, text: "0:00"},
                {tag: "one minute five", ms: 65000, text: "1:05"},
                {tag: "just under ten minutes", ms: 599999, text: "9:59"},
                {tag: "just under an hour", ms: 3599999, text: "59:59"},
                {tag: "one hour", ms: 3600000, text: "1:00:00"},
                {tag: "1:02:05", ms: 3725000, text: "1:02:05"},
                {tag: "ten hours", ms: 36000000, text: "10:00:00"},
            ]
        }

        function test_formatTime(data) {
            compare(bar.formatTime(data.ms), data.text)
        }

        function test_timeLabelsFollowThePlayer() {
            bridge.time = 65000
            bridge.length = 3725000
            compare(part("elapsedLabel").text, "1:05")
            compare(part("lengthLabel").text, "1:02:05")
            bridge.length = -1
            compare(part("lengthLabel").text, "--:--")
        }

        function test_sizes_data() {
            return [
                {tag: "windowed", floating: false, button: [40, 32], play: [40, 32], glyph: 20,
                 playGlyph: 20, timeWidth: 56, spacing: 12},
                {tag: "floating", floating: true, button: [48, 40], play: [56, 40], glyph: 22,
                 playGlyph: 28, timeWidth: 64, spacing: 16},
            ]
        }

        function test_sizes(data) {
            bar.floating = data.floating
            waitForRendering(bar)
            const settingsButton = part("settingsButton")
            const play = part("playButton")
            compare([settingsButton.width, settingsButton.height], data.button)
            compare(settingsButton.font.pixelSize, data.glyph)
            compare([play.width, play.height], data.play)
            compare(play.font.pixelSize, data.playGlyph)
            compare(part("elapsedLabel").width, data.timeWidth)
            compare(part("lengthLabel").width, data.timeWidth)
            compare(part("volumeSlider").width, 140)
            // Buttons sit one spacing apart, and the row keeps the margin from the left edge.
            const library = part("libraryButton")
            compare(settingsButton.x - (library.x + library.width), data.spacing)
            compare(library.mapToItem(bar, 0, 0).x, data.spacing)
        }

        function test_playButtonFollowsAndToggles() {
            const play = part("playButton")
            compare(play.glyph, Glyphs.play)
            compare(play.tooltip, "Play")
            mouseClick(play)
            verify(bridge.playing)
            compare(play.glyph, Glyphs.pause)
            compare(play.tooltip, "Pause")
        }

        function test_muteButtonAndVolumeSlider() {
            const mute = part("muteButton")
            compare(mute.glyph, Glyphs.volume)
            compare(mute.tooltip, "Mute")
            mouseClick(mute)
            verify(bridge.muted)
            compare(mute.glyph, Glyphs.mute)
            compare(mute.tooltip, "Unmute")

            const volume = part("volumeSlider")
            compare(volume.value, 80)
            bridge.volume = 30
            compare(volume.value, 30)
            // A click near the right end sets the volume from the slider.
            mouseClick(volume, volume.width - volume.rightPadding - 1, volume.height / 2)
            verify(bridge.volume > 90, "volume " + bridge.volume)
        }

        function test_infoButtonOnlyWithMedia() {
            const info = part("infoButton")
            verify(!info.visible)
            bridge.currentMedia = "file:///recordings/a/master.m3u8"
            verify(info.visible)
            compare(info.tooltip, "Details")
            mouseClick(info)
            compare(infoSpy.count, 1)
        }

        function test_buttonsReachTheWindow() {
            mouseClick(part("libraryButton"))
            compare(librarySpy.count, 1)
            mouseClick(part("settingsButton"))
            compare(settingsSpy.count, 1)

            const full = part("fullScreenButton")
            compare(full.glyph, Glyphs.fullScreen)
            compare(full.tooltip, "Fullscreen")
            mouseClick(full)
            compare(fullScreenSpy.count, 1)
            mainWindow.fullScreen = true
            compare(full.glyph, Glyphs.exitFullScreen)
            compare(full.tooltip, "Exit fullscreen")
        }

        function test_tooltipAfterHalfASecondOfHovering() {
            const button = part("settingsButton")
            const tip = findChild(button, "toolTip")
            verify(tip)
            // The time is taken when the tooltip turns visible, so a slow machine can only make it
            // later: the check that it does not come early cannot fail because of load. (The
            // timer behind it may fire early by up to 5 %.)
            let shownAt = -1
            const noteShown = () => {
                if (tip.visible && shownAt < 0)
                    shownAt = Date.now()
            }
            tip.visibleChanged.connect(noteShown)
            const start = Date.now()
            mouseMove(button, button.width / 2, button.height / 2)
            tryVerify(() => shownAt >= 0, 5000, "no tooltip")
            tip.visibleChanged.disconnect(noteShown)
            verify(shownAt - start >= 400, "tooltip " + (shownAt - start) + " ms after hovering")
            verify(tip.visible)
            compare(tip.text, "Settings")
            mouseMove(scene, 5, 5)
            tryCompare(tip, "visible", false, 1000)

            // A button without a tooltip text shows none.
            button.tooltip = ""
            mouseMove(button, button.width / 2, button.height / 2)
            wait(800)
            verify(!tip.visible)
            button.tooltip = Qt.binding(() => qsTr("Settings"))
            mouseMove(scene, 5, 5)
        }

        function test_seekCommitsOnReleaseOnly() {
            const seek = part("seekSlider")
            bridge.length = 600000
            bridge.position = 0.25
            compare(seek.value, 0.25)

            const y = seek.height / 2
            const left = seek.leftPadding
            const span = seek.availableWidth
            mousePress(seek, left + span * 0.5, y)
            mouseMove(seek, left + span * 0.75, y)
            // While held, the player's progress does not move the slider and nothing is sought.
            bridge.position = 0.3
            fuzzyCompare(seek.value, 0.75, 0.02)
            compare(seekSpy.count, 0)

            mouseRelease(seek, left + span * 0.75, y)
            compare(seekSpy.count, 1)
            fuzzyCompare(seekSpy.signalArguments[0][0], 0.75, 0.02)

            // Released: it follows the player again.
            bridge.position = 0.8
            compare(seek.value, 0.8)
        }

        function test_sliderColours() {
            const seek = part("seekSlider")
            bridge.position = 0.5
            verify(Qt.colorEqual(seek.handle.color, "#ffffff"))
            verify(Qt.colorEqual(seek.background.children[0].color, "#ef6d5e"))
            fuzzyCompare(seek.background.children[0].width, seek.background.width * 0.5, 1)
        }
    }
}
