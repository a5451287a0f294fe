// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "Theme.js" as Theme
import "Recording.js" as Recording

// The playback controls: library, settings, details, play/pause, times and seek slider, mute and
// volume, full screen. Square along the bottom edge in a window; a rounded floating panel in full
// screen.
Rectangle {
    id: bar

    property bool floating: false

    // The info button: the library and network parts look up the playing recording's details.
    signal infoRequested()

    // The player's and the window's state as the bar shows it. At exit the back end goes before
    // the scene, so every read tolerates a null object.
    readonly property bool playing: bridge?.playing ?? false
    readonly property bool muted: bridge?.muted ?? false
    readonly property bool mediaLoaded: String(bridge?.currentMedia ?? "") !== ""
    readonly property bool fullScreen: mainWindow?.fullScreen ?? false

    readonly property color accent: Theme.accent
    readonly property int buttonWidth: floating ? 48 : 40
    readonly property int buttonHeight: floating ? 40 : 32
    readonly property int glyphSize: floating ? 22 : 20
    readonly property int timeWidth: floating ? 64 : 56

    // "--:--" for an unknown (negative) time; h:mm:ss from one hour on, m:ss below.
    function formatTime(ms) {
        return ms < 0 ? Recording.clock(-1) : Recording.clock(Math.floor(ms / 1000))
    }

    color: "#cc1a1a1a"
    radius: floating ? 12 : 0
    border.width: floating ? 1 : 0
    border.color: "#33ffffff"

    // Takes the clicks that miss a control, so they do not reach the video or library below.
    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
    }

    component BarButton: IconButton {
        implicitWidth: bar.buttonWidth
        implicitHeight: bar.buttonHeight
        font.pixelSize: bar.glyphSize
    }

    component AccentSlider: Slider {
        id: slider
        focusPolicy: Qt.NoFocus
        hoverEnabled: true
        background: Rectangle {
            x: slider.leftPadding
            y: slider.topPadding + (slider.availableHeight - height) / 2
            implicitWidth: 140
            implicitHeight: 4
            width: slider.availableWidth
            height: 4
            radius: 2
            color: "#4dffffff"

            Rectangle {
                width: slider.visualPosition * parent.width
                height: parent.height
                radius: 2
                color: bar.accent
            }
        }
        handle: Rectangle {
            x: slider.leftPadding + slider.visualPosition * (slider.availableWidth - width)
            y: slider.topPadding + (slider.availableHeight - height) / 2
            implicitWidth: slider.pressed || slider.hovered ? 16 : 14
            implicitHeight: implicitWidth
            radius: width / 2
            color: "#ffffff"
        }
    }

    RowLayout {
        anchors.fill: parent
        anchors.margins: bar.floating ? 16 : 12
        spacing: bar.floating ? 16 : 12

        BarButton {
            objectName: "libraryButton"
            glyph: Glyphs.back
            tooltip: qsTr("Show library")
            onClicked: mainWindow.requestToggleLibrary()
        }

        BarButton {
            objectName: "settingsButton"
            glyph: Glyphs.settings
            tooltip: qsTr("Settings")
            onClicked: mainWindow.requestToggleSettings()
        }

        BarButton {
            objectName: "infoButton"
            visible: bar.mediaLoaded
            glyph: Glyphs.info
            tooltip: qsTr("Details")
            onClicked: bar.infoRequested()
        }

        BarButton {
            objectName: "playButton"
            implicitWidth: bar.floating ? 56 : 40
            font.pixelSize: bar.floating ? 28 : 20
            glyph: bar.playing ? Glyphs.pause : Glyphs.play
            tooltip: bar.playing ? qsTr("Pause") : qsTr("Play")
            onClicked: bridge.toggle()
        }

        Label {
            objectName: "elapsedLabel"
            Layout.preferredWidth: bar.timeWidth
            horizontalAlignment: Text.AlignRight
            color: "white"
            text: bar.formatTime(bridge?.time ?? 0)
        }

        // Follows the player except while held; the jump happens on release only.
        AccentSlider {
            id: seekSlider
            objectName: "seekSlider"
            Layout.fillWidth: true
            from: 0
            to: 1

            Binding on value {
                value: bridge?.position ?? 0
                when: !seekSlider.pressed
                restoreMode: Binding.RestoreNone
            }
            onPressedChanged: {
                if (!pressed)
                    bridge.seek(value)
            }
        }

        Label {
            objectName: "lengthLabel"
            Layout.preferredWidth: bar.timeWidth
            horizontalAlignment: Text.AlignLeft
            color: "white"
            text: bar.formatTime(bridge?.length ?? -1)
        }

        RowLayout {
            spacing: 1

            BarButton {
                objectName: "muteButton"
                glyph: bar.muted ? Glyphs.mute : Glyphs.volume
                tooltip: bar.muted ? qsTr("Unmute") : qsTr("Mute")
                onClicked: bridge.muted = !bridge.muted
            }

            AccentSlider {
                objectName: "volumeSlider"
                Layout.preferredWidth: 140
                from: 0
                to: 100
                value: bridge?.volume ?? 0
                onMoved: bridge.volume = Math.round(value)
            }
        }

        BarButton {
            objectName: "fullScreenButton"
            glyph: bar.fullScreen ? Glyphs.exitFullScreen : Glyphs.fullScreen
            tooltip: bar.fullScreen ? qsTr("Exit fullscreen") : qsTr("Fullscreen")
            onClicked: mainWindow.requestToggleFullScreen()
        }
    }
}
