// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "Theme.js" as Theme

// Read-only metadata sheet of one recording, local or from a box.
Popup {
    id: popup

    property string recordingName: ""
    property string recordingTitle: ""
    property string recordingSeasonEpisode: ""
    property string recordingChannel: ""
    property string recordingDescription: ""
    property string recordingPath: ""
    property var recordingRecordedAt: null
    property url recordingPosterUrl: ""

    readonly property bool hasPoster: String(recordingPosterUrl) !== ""
    // A date that is missing, or one that did not parse, gives no "Recorded" line.
    readonly property bool hasRecordedAt: recordingRecordedAt !== undefined && recordingRecordedAt !== null
                                          && !(recordingRecordedAt instanceof Date && isNaN(recordingRecordedAt.getTime()))

    width: Math.min(hasPoster ? 560 : 480, (parent ? parent.width : 480) - 64)
    height: Math.min(content.implicitHeight + 48, (parent ? parent.height : 600) - 64)
    anchors.centerIn: parent
    modal: true
    focus: true
    padding: 24
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

    palette.windowText: Theme.text
    palette.text: Theme.text
    palette.buttonText: Theme.text
    palette.button: Theme.controlFill
    palette.base: Theme.fieldFill

    onAboutToShow: mainWindow.modalOpen = true
    onAboutToHide: {
        if (mainWindow) // gone first at exit
            mainWindow.modalOpen = false
    }

    background: Rectangle {
        color: Theme.surface
        radius: 8
        border.width: 1
        border.color: Theme.surfaceBorder
    }

    contentItem: ColumnLayout {
        id: content
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 12

            ColumnLayout {
                objectName: "textColumn"
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignTop
                spacing: 12

                Label {
                    objectName: "detailsName"
                    textFormat: Text.PlainText
                    Layout.fillWidth: true
                    text: popup.recordingName
                    font.pixelSize: 22
                    font.bold: true
                    wrapMode: Text.WordWrap
                }
                Label {
                    objectName: "detailsTitle"
                    textFormat: Text.PlainText
                    Layout.fillWidth: true
                    text: popup.recordingTitle
                    visible: text !== ""
                    font.pixelSize: 16
                    opacity: 0.8
                    wrapMode: Text.WordWrap
                }
                RowLayout {
                    objectName: "detailsStrip"
                    Layout.fillWidth: true
                    spacing: 12
                    visible: popup.recordingSeasonEpisode !== "" || popup.recordingChannel !== ""

                    Label {
                        objectName: "detailsSeasonEpisode"
                        textFormat: Text.PlainText
                        text: popup.recordingSeasonEpisode
                        visible: text !== ""
                        font.pixelSize: 13
                        opacity: 0.7
                    }
                    Label {
                        objectName: "detailsSeparator"
                        text: "·"
                        visible: popup.recordingSeasonEpisode !== "" && popup.recordingChannel !== ""
                        font.pixelSize: 13
                        opacity: 0.5
                    }
                    Label {
                        objectName: "detailsChannel"
                        textFormat: Text.PlainText
                        text: popup.recordingChannel
                        visible: text !== ""
                        font.pixelSize: 13
                        opacity: 0.7
                    }
                    Item {
                        Layout.fillWidth: true
                    }
                }
                Label {
                    objectName: "detailsRecorded"
                    Layout.fillWidth: true
                    text: popup.hasRecordedAt ? "Recorded: %1".arg(Qt.formatDateTime(popup.recordingRecordedAt, "ddd, MMM d, yyyy h:mm AP")) : ""
                    visible: popup.hasRecordedAt
                    font.pixelSize: 13
                    opacity: 0.7
                }
            }

            Image {
                objectName: "detailsPoster"
                Layout.preferredWidth: 200
                Layout.preferredHeight: 150
                Layout.alignment: Qt.AlignTop
                visible: popup.hasPoster
                source: popup.recordingPosterUrl
                fillMode: Image.PreserveAspectFit
                asynchronous: true
                cache: true
            }
        }

        Label {
            objectName: "detailsDescription"
            textFormat: Text.PlainText
            Layout.fillWidth: true
            Layout.topMargin: 4
            text: popup.recordingDescription
            visible: text !== ""
            font.pixelSize: 14
            wrapMode: Text.WordWrap
        }
        Label {
            objectName: "detailsLocation"
            textFormat: Text.PlainText
            Layout.fillWidth: true
            Layout.topMargin: 8
            text: "Location: %1".arg(popup.recordingPath)
            visible: popup.recordingPath !== ""
            font.pixelSize: 11
            opacity: 0.5
            wrapMode: Text.WrapAnywhere
        }
        Button {
            objectName: "detailsCloseButton"
            Layout.alignment: Qt.AlignRight
            text: "Close"
            onClicked: popup.close()
        }
    }
}
