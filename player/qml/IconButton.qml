// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls

// A flat button showing one icon glyph, always white, with an optional delayed tooltip.
Button {
    id: control

    property string glyph
    property string tooltip: ""

    text: glyph
    font.family: Glyphs.fontFamily
    font.pixelSize: 20
    implicitWidth: 40
    implicitHeight: 32
    padding: 0
    hoverEnabled: true
    // Keys belong to the window's shortcuts: a clicked button must not keep Space for itself.
    focusPolicy: Qt.NoFocus

    contentItem: Text {
        text: control.text
        font: control.font
        color: "white"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        radius: 6
        color: control.down ? "#33ffffff" : (control.hovered ? "#1fffffff" : "transparent")
    }

    ToolTip {
        objectName: "toolTip"
        visible: control.hovered && control.tooltip !== ""
        delay: 500
        text: control.tooltip

        contentItem: Text {
            text: control.tooltip
            color: "white"
            font.pixelSize: 12
        }
        background: Rectangle {
            color: "#262626"
            radius: 4
            border.width: 1
            border.color: "#3a3a3a"
        }
    }
}
