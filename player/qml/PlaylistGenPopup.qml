// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "Theme.js" as Theme

// Progress and failure of one playlist generation. The shell opens it, closes it on success and
// switches it to the error state on failure; while the work runs it cannot be dismissed.
Popup {
    id: popup

    property string recordingName: ""
    property string recordingTitle: ""
    property string genState: "running" // "running" or "error"
    property string errorText: ""
    property var pendingMasterUrl

    readonly property bool running: genState === "running"

    width: Math.min(420, (parent ? parent.width : 420) - 64)
    height: Math.min(content.implicitHeight + 48, (parent ? parent.height : 600) - 64)
    anchors.centerIn: parent
    modal: true
    focus: true
    padding: 24
    closePolicy: running ? Popup.NoAutoClose : (Popup.CloseOnEscape | Popup.CloseOnPressOutside)

    palette.windowText: Theme.text
    palette.text: Theme.text
    palette.buttonText: Theme.text
    palette.button: Theme.controlFill
    palette.base: Theme.fieldFill

    // While a popup owns the keyboard, the window's own Esc action stays out of the way.
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

        Label {
            objectName: "genHeader"
            Layout.fillWidth: true
            text: popup.running ? "Generating playlists…" : "Generation failed"
            font.pixelSize: 18
            font.bold: true
            wrapMode: Text.WordWrap
        }
        Label {
            objectName: "genName"
            textFormat: Text.PlainText
            Layout.fillWidth: true
            text: popup.recordingName
            visible: text !== ""
            font.pixelSize: 14
            opacity: 0.85
            elide: Text.ElideRight
        }
        Label {
            objectName: "genTitle"
            textFormat: Text.PlainText
            Layout.fillWidth: true
            text: popup.recordingTitle
            visible: text !== ""
            font.pixelSize: 13
            opacity: 0.65
            elide: Text.ElideRight
        }
        ProgressBar {
            objectName: "genProgress"
            Layout.fillWidth: true
            Layout.topMargin: 4
            indeterminate: true
            visible: popup.running
        }
        Label {
            objectName: "genError"
            Layout.fillWidth: true
            Layout.topMargin: 4
            text: popup.errorText
            textFormat: Text.PlainText
            visible: !popup.running
            font.pixelSize: 13
            wrapMode: Text.WordWrap
        }
        Button {
            objectName: "genCloseButton"
            Layout.alignment: Qt.AlignRight
            text: "Close"
            visible: !popup.running
            onClicked: popup.close()
        }
    }
}
