// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "Theme.js" as Theme

// Help: what the program does, how to start, and the keyboard shortcuts.
Popup {
    id: popup

    readonly property string bodyText: qsTr(
        "Norplay plays HLS recordings produced by Norvale ATSC DVRs.\n"
        + "\n"
        + "Getting started:\n"
        + "  • File ▸ Open... to play an .m3u8 from anywhere on disk\n"
        + "  • File ▸ Show ATSC-3 toggles whether ATSC-3 recordings appear in your libraries, "
        + "local and remote (these will likely NOT be playable due to DRM and/or Dolby "
        + "licensing restrictions)\n"
        + "\n"
        + "Keyboard shortcuts:\n"
        + "  • Space — Play / pause\n"
        + "  • ← / → — Seek ±5 seconds\n"
        + "  • ↑ / ↓ — Volume ±5\n"
        + "  • M — Mute\n"
        + "  • F — Toggle fullscreen\n"
        + "  • Esc — Exit fullscreen, or toggle the library overlay\n"
        + "  • F1 — This help\n"
        + "\n"
        + "Library: pick a top-level folder containing your Norvale recording subdirectories.")

    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    anchors.centerIn: parent
    width: Math.min(560, parent.width - 64)
    height: Math.min(content.implicitHeight + 48, parent.height - 64)
    padding: 24

    onOpened: mainWindow.modalOpen = true
    onClosed: {
        if (mainWindow) // gone first at exit
            mainWindow.modalOpen = false
    }

    background: Rectangle {
        color: Theme.surface
        radius: 8
        border.width: 1
        border.color: Theme.surfaceBorder
    }

    // Scrolls when the scene is too short for the whole text.
    contentItem: Flickable {
        clip: true
        contentWidth: width
        contentHeight: content.implicitHeight
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

        ColumnLayout {
            id: content
            width: parent.width
            spacing: 12

            Text {
                text: qsTr("Help")
                color: "white"
                font.pixelSize: 22
                font.bold: true
            }

            Text {
                objectName: "helpBody"
                Layout.fillWidth: true
                text: popup.bodyText
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                color: "white"
                font.pixelSize: 13
            }

            Button {
                id: closeButton
                objectName: "closeButton"
                Layout.alignment: Qt.AlignRight
                text: qsTr("Close")
                focusPolicy: Qt.NoFocus
                onClicked: popup.close()

                contentItem: Text {
                    text: closeButton.text
                    font: closeButton.font
                    color: "white"
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                background: Rectangle {
                    implicitWidth: 88
                    implicitHeight: 32
                    radius: 4
                    color: closeButton.down ? Theme.closeButtonDown
                         : closeButton.hovered ? Theme.closeButtonHovered : Theme.closeButton
                    border.width: 1
                    border.color: Theme.closeButtonBorder
                }
            }
        }
    }
}
