// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQml.Models

// Norremote's window: the device bar, the drawn remote scaled to the window, the failure toast,
// the device picker, and a keyboard shortcut for every key.
ApplicationWindow {
    id: window

    // Every command with its keys. Shortcuts work wherever the focus is, except while the picker
    // is open: there the keys belong to the address field.
    readonly property var shortcutTable: [
        { command: "up", keys: ["Up"] },
        { command: "down", keys: ["Down"] },
        { command: "left", keys: ["Left"] },
        { command: "right", keys: ["Right"] },
        { command: "ok", keys: ["Return", "Enter"] },
        { command: ".", keys: [".", "Num+."] },
        { command: "back", keys: ["Backspace", "X"] },
        { command: "guide", keys: ["G"] },
        { command: "info", keys: ["I"] },
        { command: "zap", keys: ["Z"] },
        { command: "menu", keys: ["M"] },
        { command: "dvr", keys: ["D"] },
        { command: "live", keys: ["L"] },
        { command: "record", keys: ["R"] },
        { command: "ba", keys: ["B"] },
        { command: "POWER", keys: ["P"] },
        { command: "ON", keys: ["N"] },
        { command: "OFF", keys: ["F"] },
        { command: "mute", keys: ["V"] },
        { command: "#0", keys: ["0", "Num+0"] },
        { command: "#1", keys: ["1", "Num+1"] },
        { command: "#2", keys: ["2", "Num+2"] },
        { command: "#3", keys: ["3", "Num+3"] },
        { command: "#4", keys: ["4", "Num+4"] },
        { command: "#5", keys: ["5", "Num+5"] },
        { command: "#6", keys: ["6", "Num+6"] },
        { command: "#7", keys: ["7", "Num+7"] },
        { command: "#8", keys: ["8", "Num+8"] },
        { command: "#9", keys: ["9", "Num+9"] }
    ]

    property alias picker: devicePicker
    property alias remote: remoteBody

    width: 340
    height: 920
    minimumWidth: 220
    minimumHeight: 560
    visible: true
    title: "Norremote"
    color: "#0f0f0f"

    Component.onCompleted: {
        if (keySender.host === "")
            devicePicker.open()
    }

    Instantiator {
        model: window.shortcutTable
        delegate: Shortcut {
            required property var modelData
            sequences: modelData.keys
            context: Qt.ApplicationShortcut
            enabled: !devicePicker.visible
            onActivated: keySender.sendKey(modelData.command)
        }
    }

    RowLayout {
        id: deviceBar
        objectName: "deviceBar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 8
        height: 24
        spacing: 6

        Text {
            objectName: "deviceLabel"
            Layout.fillWidth: true
            text: keySender.host === "" ? "no device configured"
                : keySender.deviceName !== "" ? keySender.deviceName
                : keySender.host
            color: keySender.host === "" ? "#c98a2e" : "#8a8a8a"
            font.pixelSize: 12
            elide: Text.ElideRight
        }

        AbstractButton {
            id: gear
            objectName: "gearButton"
            Layout.preferredWidth: 24
            Layout.preferredHeight: 24
            focusPolicy: Qt.NoFocus
            hoverEnabled: true
            onClicked: devicePicker.open()
            contentItem: Text {
                text: Glyphs.settings
                font.family: Glyphs.fontFamily
                font.pixelSize: 18
                color: gear.hovered ? "#d0d0d0" : "#8a8a8a"
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
        }
    }

    Item {
        id: remoteArea
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: deviceBar.bottom
        anchors.bottom: parent.bottom
        anchors.margins: 6

        RemoteBody {
            id: remoteBody
            objectName: "remoteBody"
            anchors.centerIn: parent
            scale: Math.min(remoteArea.width / 300, remoteArea.height / 1000)
        }
    }

    Rectangle {
        id: toast
        objectName: "toast"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 18
        width: toastText.implicitWidth + 24
        height: toastText.implicitHeight + 12
        radius: height / 2
        color: "#b3271e"
        opacity: 0
        Behavior on opacity { NumberAnimation { duration: 150 } }

        Text {
            id: toastText
            objectName: "toastText"
            anchors.centerIn: parent
            color: "white"
            font.pixelSize: 12
        }

        Timer {
            id: toastTimer
            interval: 2500
            onTriggered: toast.opacity = 0
        }

        Connections {
            target: keySender
            function onKeyFailed(keys, reason) {
                toastText.text = "'" + keys + "': " + reason
                toast.opacity = 0.95
                toastTimer.restart()
            }
        }
    }

    DevicePicker {
        id: devicePicker
        objectName: "devicePicker"
    }
}
