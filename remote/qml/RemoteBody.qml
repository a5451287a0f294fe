// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Layouts

// The drawn remote at its design size, 300 by 1000; the window scales it as a whole.
Rectangle {
    id: body

    implicitWidth: 300
    implicitHeight: 1000
    width: implicitWidth
    height: implicitHeight
    radius: 34
    border.width: 1
    border.color: "black"
    gradient: Gradient {
        GradientStop { position: 0.0; color: "#252525" }
        GradientStop { position: 0.5; color: "#1b1b1b" }
        GradientStop { position: 1.0; color: "#151515" }
    }

    Connections {
        target: keySender
        function onKeyAcknowledged(keys) { led.flash(true) }
        function onKeyFailed(keys, reason) { led.flash(false) }
    }

    component Gap: Item { Layout.fillHeight: true }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 26
        spacing: 0

        RowLayout {
            spacing: 10
            Item { Layout.fillWidth: true }
            StatusLed {
                id: led
                objectName: "statusLed"
                Layout.alignment: Qt.AlignVCenter
            }
            RemoteButton {
                objectName: "key_ON"
                Layout.preferredWidth: 56
                Layout.preferredHeight: 38
                fontSize: 14
                text: "On"
                keyCommand: "ON"
            }
            RemoteButton {
                objectName: "key_OFF"
                Layout.preferredWidth: 56
                Layout.preferredHeight: 38
                fontSize: 14
                text: "Off"
                keyCommand: "OFF"
            }
            RemoteButton {
                objectName: "key_POWER"
                Layout.preferredWidth: 66
                Layout.preferredHeight: 38
                glyph: Glyphs.power
                keyColor: "#c8281e"
                keyCommand: "POWER"
            }
        }

        Gap {}
        RemoteButton {
            objectName: "key_mute"
            Layout.alignment: Qt.AlignRight
            Layout.preferredWidth: 46
            Layout.preferredHeight: 46
            circle: true
            glyph: Glyphs.mute
            keyCommand: "mute"
        }
        Gap {}

        RowLayout {
            spacing: 8
            Repeater {
                model: [
                    { label: "DVR", command: "dvr" }, { label: "Live TV", command: "live" },
                    { label: "Record", command: "record" }, { label: "BA", command: "ba" }
                ]
                delegate: RemoteButton {
                    required property var modelData
                    objectName: "key_" + modelData.command
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1 // equal shares of the row
                    Layout.preferredHeight: 32
                    fontSize: 13
                    text: modelData.label
                    keyCommand: modelData.command
                }
            }
        }

        Gap {}
        RowLayout {
            RemoteButton {
                objectName: "key_guide"
                Layout.preferredWidth: 54
                Layout.preferredHeight: 54
                circle: true
                fontSize: 13
                text: "Guide"
                keyCommand: "guide"
            }
            Item { Layout.fillWidth: true }
            RemoteButton {
                objectName: "key_info"
                Layout.preferredWidth: 54
                Layout.preferredHeight: 54
                circle: true
                fontSize: 13
                text: "Info"
                keyCommand: "info"
            }
        }

        Item { Layout.preferredHeight: 10 }
        DPad { Layout.alignment: Qt.AlignHCenter }
        Item { Layout.preferredHeight: 10 }

        RowLayout {
            RemoteButton {
                objectName: "key_zap"
                Layout.preferredWidth: 54
                Layout.preferredHeight: 54
                circle: true
                fontSize: 13
                text: "Zap"
                keyCommand: "zap"
            }
            Item { Layout.fillWidth: true }
            RemoteButton {
                objectName: "key_menu"
                Layout.preferredWidth: 54
                Layout.preferredHeight: 54
                circle: true
                fontSize: 13
                text: "Menu"
                keyCommand: "menu"
            }
        }

        Gap {}
        NumberPad { Layout.alignment: Qt.AlignHCenter }
        Gap {}

        Image {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 200
            Layout.preferredHeight: sourceSize.width > 0
                                    ? 200 * sourceSize.height / sourceSize.width : 0
            source: "images/norvale_logo.png"
            fillMode: Image.PreserveAspectFit
            mipmap: true
            smooth: true
        }
    }
}
