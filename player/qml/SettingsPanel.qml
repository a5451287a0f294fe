// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "Theme.js" as Theme

// The settings panel: slides in from the left over a scrim, with the audio track, the aspect
// ratio and the subtitle switch of the playing media. It closes through its own close button or
// the bar's settings button only.
Item {
    id: settingsPanel

    property bool open: false

    readonly property color accent: Theme.accent

    // (At exit the back end goes before the scene: every read of the player tolerates null.)

    // The first subtitle track that really shows subtitles (libvlc lists a disabling -1 first).
    readonly property int firstSubtitleId: {
        const tracks = bridge?.subtitleTracks ?? []
        for (let i = 0; i < tracks.length; ++i) {
            if (tracks[i].id !== -1)
                return tracks[i].id
        }
        return -1
    }
    readonly property bool hasSubtitles: firstSubtitleId !== -1

    // A list of {id, name} choices; the active one is highlighted, a click picks one.
    component TrackList: Item {
        id: trackList

        property var model
        property int activeId: -1
        property string emptyText: ""

        signal trackPicked(int id)

        implicitHeight: Math.max(40, Math.min(view.contentHeight + 8, 200))

        ListView {
            id: view
            objectName: "trackView"
            anchors.fill: parent
            anchors.topMargin: 4
            anchors.bottomMargin: 4
            clip: true
            spacing: 4
            boundsBehavior: Flickable.StopAtBounds
            model: trackList.model
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            delegate: Rectangle {
                id: row

                required property var modelData
                readonly property bool selected: modelData.id === trackList.activeId

                width: ListView.view.width
                height: 36
                radius: 4
                color: selected && rowHover.hovered ? Theme.accentSelectedHover
                     : selected ? Theme.accentSelected
                     : rowHover.hovered ? "#22ffffff"
                     : "transparent"

                // Hover from a handler: a MouseArea shown under a resting pointer judges it by a
                // possibly stale window position in this widget-hosted scene and can stay lit.
                HoverHandler {
                    id: rowHover
                }

                Text {
                    anchors.fill: parent
                    anchors.leftMargin: 12
                    anchors.rightMargin: 12
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                    color: "white"
                    font.pixelSize: 14
                    text: row.modelData.name
                }

                MouseArea {
                    id: rowMouse
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: trackList.trackPicked(row.modelData.id)
                }
            }
        }

        Text {
            objectName: "emptyText"
            anchors.centerIn: parent
            visible: view.count === 0
            text: trackList.emptyText
            color: "#88ffffff"
            font.pixelSize: 13
        }
    }

    component SectionHeading: Text {
        color: "#bbffffff"
        font.pixelSize: 12
        font.capitalization: Font.AllUppercase
    }

    // Scrim: dims the scene and swallows every click while the panel is open.
    Rectangle {
        objectName: "scrim"
        anchors.fill: parent
        color: "black"
        opacity: settingsPanel.open ? 0.5 : 0
        visible: opacity > 0

        Behavior on opacity {
            NumberAnimation { duration: 150 }
        }

        MouseArea {
            anchors.fill: parent
            enabled: settingsPanel.open
            acceptedButtons: Qt.AllButtons
            hoverEnabled: true
            onWheel: (wheel) => wheel.accepted = true
        }
    }

    Rectangle {
        id: panel
        objectName: "panel"
        width: 320
        height: parent.height
        x: settingsPanel.open ? 0 : -width
        color: "#ee1a1a1a"

        Behavior on x {
            NumberAnimation { duration: 150; easing.type: Easing.OutCubic }
        }

        // Clicks on the panel's empty parts stay on the panel.
        MouseArea {
            anchors.fill: parent
            acceptedButtons: Qt.AllButtons
            onWheel: (wheel) => wheel.accepted = true
        }

        Rectangle {
            anchors.right: parent.right
            width: 1
            height: parent.height
            color: "#33ffffff"
        }

        ColumnLayout {
            anchors.fill: parent
            anchors.margins: 16
            spacing: 12

            RowLayout {
                Layout.fillWidth: true

                Text {
                    Layout.fillWidth: true
                    text: qsTr("Settings")
                    color: "white"
                    font.pixelSize: 18
                    font.bold: true
                }

                IconButton {
                    objectName: "closeButton"
                    glyph: Glyphs.cancel
                    tooltip: qsTr("Close")
                    onClicked: mainWindow.requestToggleSettings()
                }
            }

            SectionHeading { text: qsTr("Audio Track") }

            TrackList {
                objectName: "audioTrackList"
                Layout.fillWidth: true
                model: bridge?.audioTracks ?? []
                activeId: bridge?.currentAudioTrack ?? -1
                emptyText: qsTr("No audio tracks available")
                onTrackPicked: (id) => bridge.currentAudioTrack = id
            }

            SectionHeading { text: qsTr("Aspect Ratio") }

            TrackList {
                objectName: "aspectList"
                Layout.fillWidth: true
                model: bridge?.aspectModes ?? []
                activeId: bridge?.aspectMode ?? 0
                onTrackPicked: (id) => bridge.aspectMode = id
            }

            SectionHeading { text: qsTr("Subtitle") }

            RowLayout {
                Layout.fillWidth: true
                spacing: 12

                Switch {
                    id: subtitleSwitch
                    objectName: "subtitleSwitch"
                    enabled: settingsPanel.hasSubtitles
                    checked: (bridge?.currentSubtitleTrack ?? -1) !== -1
                    focusPolicy: Qt.NoFocus
                    padding: 0
                    text: ""
                    // Just the pill: the label beside it is a separate text.
                    implicitWidth: leftPadding + indicator.implicitWidth + rightPadding
                    implicitHeight: topPadding + indicator.implicitHeight + bottomPadding

                    onToggled: {
                        bridge.currentSubtitleTrack = checked ? settingsPanel.firstSubtitleId : -1
                        // Show what the player really selected, also when it refused.
                        checked = Qt.binding(() => (bridge?.currentSubtitleTrack ?? -1) !== -1)
                    }

                    indicator: Rectangle {
                        implicitWidth: 44
                        implicitHeight: 22
                        x: subtitleSwitch.leftPadding
                        y: subtitleSwitch.topPadding + (subtitleSwitch.availableHeight - height) / 2
                        radius: 11
                        color: subtitleSwitch.checked ? settingsPanel.accent : "transparent"
                        border.width: 2
                        border.color: "#bbffffff"
                        opacity: subtitleSwitch.enabled ? 1 : 0.4

                        Behavior on color {
                            ColorAnimation { duration: 100 }
                        }

                        Rectangle {
                            objectName: "thumb"
                            width: 14
                            height: 14
                            radius: 7
                            y: (parent.height - height) / 2
                            x: subtitleSwitch.checked ? parent.width - width - 4 : 4
                            color: "white"

                            Behavior on x {
                                NumberAnimation { duration: 100 }
                            }
                        }
                    }
                    contentItem: Item {}
                }

                Text {
                    objectName: "subtitleLabel"
                    Layout.fillWidth: true
                    text: settingsPanel.hasSubtitles ? qsTr("Show subtitles")
                                                     : qsTr("No subtitles available")
                    color: settingsPanel.hasSubtitles ? "white" : "#88ffffff"
                    font.pixelSize: 14
                    elide: Text.ElideRight
                }
            }

            Item { Layout.fillHeight: true }
        }
    }
}
