// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "Theme.js" as Theme

// About: the program's icon, name and version.
Popup {
    id: popup

    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    anchors.centerIn: parent
    width: Math.min(380, parent.width - 64)
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

    contentItem: Flickable {
        clip: true
        contentWidth: width
        contentHeight: content.implicitHeight
        boundsBehavior: Flickable.StopAtBounds

        ColumnLayout {
            id: content
            width: parent.width
            spacing: 12

            Image {
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: 64
                Layout.preferredHeight: 64
                source: "qrc:/app_icon.png"
                sourceSize.width: 128
                sourceSize.height: 128
                fillMode: Image.PreserveAspectFit
                smooth: true
            }

            Text {
                Layout.alignment: Qt.AlignHCenter
                text: "Norplay"
                color: "white"
                font.pixelSize: 20
                font.bold: true
            }

            Text {
                objectName: "versionLabel"
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Version %1").arg(Qt.application.version)
                color: "white"
                opacity: 0.7
                font.pixelSize: 12
            }

            Text {
                objectName: "aboutBody"
                Layout.fillWidth: true
                Layout.topMargin: 8
                horizontalAlignment: Text.AlignHCenter
                text: qsTr("An HLS player for Norvale ATSC recordings.\n\nBuilt with Qt 6 and libvlc.")
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                color: "white"
                font.pixelSize: 12
            }

            Button {
                id: closeButton
                objectName: "closeButton"
                Layout.alignment: Qt.AlignHCenter
                Layout.topMargin: 4
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
