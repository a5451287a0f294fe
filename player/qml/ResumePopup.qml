// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "Theme.js" as Theme
import "Recording.js" as Recording

// Resume or start over, for local and network recordings alike. Every opening ends in exactly
// one call on resumeTarget: confirmResume, startOver, or cancelResume when the popup is closed
// any other way.
Popup {
    id: popup

    property string recordingName: ""
    property string recordingTitle: ""
    property int savedSeconds: 0
    property bool actionTaken: false
    property var resumeTarget: recordingState

    // "--:--" for negative values, else m:ss or h:mm:ss.
    function formatSeconds(s) {
        return Recording.clock(s)
    }

    function takeAction(call) {
        actionTaken = true
        if (resumeTarget)
            resumeTarget[call]()
        close()
    }

    width: Math.min(420, (parent ? parent.width : 420) - 64)
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
    onClosed: {
        if (!actionTaken && resumeTarget)
            resumeTarget.cancelResume()
        actionTaken = false
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
            Layout.fillWidth: true
            text: "Resume playback?"
            font.pixelSize: 18
            font.bold: true
            wrapMode: Text.WordWrap
        }
        Label {
            objectName: "resumeName"
            textFormat: Text.PlainText
            Layout.fillWidth: true
            text: popup.recordingName
            visible: text !== ""
            font.pixelSize: 14
            opacity: 0.85
            elide: Text.ElideRight
        }
        Label {
            objectName: "resumeTitle"
            textFormat: Text.PlainText
            Layout.fillWidth: true
            text: popup.recordingTitle
            visible: text !== ""
            font.pixelSize: 13
            opacity: 0.65
            elide: Text.ElideRight
        }
        Label {
            objectName: "savedAt"
            Layout.fillWidth: true
            Layout.topMargin: 8
            text: "Saved at %1".arg(popup.formatSeconds(popup.savedSeconds))
            font.pixelSize: 13
            opacity: 0.7
        }
        Button {
            objectName: "resumeButton"
            Layout.fillWidth: true
            Layout.topMargin: 8
            highlighted: true
            text: "Resume from %1".arg(popup.formatSeconds(popup.savedSeconds))
            onClicked: popup.takeAction("confirmResume")
        }
        Button {
            objectName: "startOverButton"
            Layout.fillWidth: true
            text: "Start from beginning"
            onClicked: popup.takeAction("startOver")
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 4

            Item {
                Layout.fillWidth: true
            }
            Button {
                objectName: "cancelButton"
                text: "Cancel"
                onClicked: popup.close()
            }
        }
    }
}
