// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick

// The ring of arrows around OK. Held arrows repeat.
Item {
    id: pad

    implicitWidth: 216
    implicitHeight: 216

    component Arrow: RemoteButton {
        width: 56
        height: 56
        circle: true
        flat: true
        glyphSize: 30
        repeating: true
    }

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: "#232323"
        border.width: 1
        border.color: "#2f2f2f"
    }

    Arrow {
        objectName: "key_up"
        keyCommand: "up"
        glyph: Glyphs.arrowUp
        anchors.top: parent.top
        anchors.topMargin: 6
        anchors.horizontalCenter: parent.horizontalCenter
    }
    Arrow {
        objectName: "key_down"
        keyCommand: "down"
        glyph: Glyphs.arrowDown
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 6
        anchors.horizontalCenter: parent.horizontalCenter
    }
    Arrow {
        objectName: "key_left"
        keyCommand: "left"
        glyph: Glyphs.arrowLeft
        anchors.left: parent.left
        anchors.leftMargin: 6
        anchors.verticalCenter: parent.verticalCenter
    }
    Arrow {
        objectName: "key_right"
        keyCommand: "right"
        glyph: Glyphs.arrowRight
        anchors.right: parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
    }

    RemoteButton {
        objectName: "key_ok"
        keyCommand: "ok"
        width: 88
        height: 88
        circle: true
        keyColor: "#1c1c1c"
        anchors.centerIn: parent
        contentItem: Column {
            spacing: 0
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: "OK"
                font.pixelSize: 24
                font.bold: true
                color: "#f2f2f2"
            }
            Row {
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 2
                Text {
                    text: Glyphs.play
                    font.family: Glyphs.fontFamily
                    font.pixelSize: 12
                    color: "#bdbdbd"
                }
                Text {
                    text: Glyphs.pause
                    font.family: Glyphs.fontFamily
                    font.pixelSize: 12
                    color: "#bdbdbd"
                }
            }
        }
    }
}
