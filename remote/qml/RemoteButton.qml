// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Templates as T

// One key of the drawn remote. A click sends its command; any send of the same command (a
// keyboard shortcut too) makes it show the pressed look for a moment.
T.AbstractButton {
    id: control

    property string keyCommand
    property string glyph: ""
    property bool circle: false
    property bool flat: false
    property color keyColor: "#2a2a2a"
    property int fontSize: 16
    property int glyphSize: 22
    // Sends again every 200 ms while held (the arrows).
    property bool repeating: false

    // Held down, or lit by a send of its command.
    readonly property bool pressedLook: down || pulse.running

    implicitWidth: circle ? 52 : 64
    implicitHeight: circle ? 52 : 34
    focusPolicy: Qt.NoFocus
    hoverEnabled: true

    scale: pressedLook ? 0.94 : 1.0
    Behavior on scale { NumberAnimation { duration: 60 } }

    onClicked: keySender.sendKey(keyCommand)

    Timer {
        id: pulse
        interval: 120
    }

    Timer {
        id: repeater
        interval: 200
        repeat: true
        onTriggered: keySender.sendKey(control.keyCommand)
    }
    onDownChanged: {
        if (repeating && down)
            repeater.start()
        else
            repeater.stop()
    }

    Connections {
        target: keySender
        function onKeySent(keys) {
            if (keys === control.keyCommand)
                pulse.restart()
        }
    }

    background: Rectangle {
        radius: control.circle ? width / 2 : height / 2
        color: control.pressedLook ? Qt.lighter(control.keyColor, 1.5)
             : control.flat ? "transparent"
             : control.hovered ? Qt.lighter(control.keyColor, 1.2)
             : control.keyColor
        border.width: 1
        border.color: control.flat && !control.pressedLook ? "transparent"
                                                           : Qt.lighter(control.keyColor, 1.35)
        Behavior on color { ColorAnimation { duration: 80 } }
        Behavior on border.color { ColorAnimation { duration: 80 } }
    }

    contentItem: Text {
        text: control.glyph !== "" ? control.glyph : control.text
        font.family: control.glyph !== "" ? Glyphs.fontFamily : Qt.application.font.family
        font.pixelSize: control.glyph !== "" ? control.glyphSize : control.fontSize
        font.weight: Font.DemiBold
        color: "#f2f2f2"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
}
