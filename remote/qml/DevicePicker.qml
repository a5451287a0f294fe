// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Picks the box to control: one found by discovery, or one typed by address.
Popup {
    id: picker

    function tunerLabel(n) {
        return remoteDeviceModel.tunerLabel(n)
    }

    // The host first: setting it clears the name.
    function selectDevice(ip, name) {
        keySender.host = ip
        keySender.deviceName = name
        settings.lastDeviceIp = ip
        settings.lastDeviceName = name
        close()
    }

    readonly property bool scanning: discoveryService.scanning

    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    padding: 16
    palette.button: "#3a3a3a"
    palette.buttonText: "#f0f0f0"
    palette.mid: "#4a4a4a"
    palette.dark: "#5a5a5a"

    onAboutToShow: {
        addressField.text = keySender.host
        discoveryService.refresh()
    }

    background: Rectangle {
        color: "#242424"
        border.width: 1
        border.color: "#3a3a3a"
        radius: 8
    }

    contentItem: ColumnLayout {
        spacing: 10

        RowLayout {
            spacing: 8
            Text {
                text: "Norvale devices"
                font.pixelSize: 13
                color: "#d0d0d0"
                Layout.fillWidth: true
            }
            BusyIndicator {
                objectName: "scanIndicator"
                Layout.preferredWidth: 18
                Layout.preferredHeight: 18
                padding: 0
                running: picker.scanning
                visible: picker.scanning
            }
            Button {
                objectName: "refreshButton"
                text: "Refresh"
                enabled: !picker.scanning
                onClicked: discoveryService.refresh()
            }
        }

        ListView {
            id: deviceList
            objectName: "deviceList"
            Layout.preferredWidth: 260
            Layout.preferredHeight: Math.min(Math.max(count, 1) * 48, 192)
            clip: true
            model: remoteDeviceModel
            boundsBehavior: Flickable.StopAtBounds

            delegate: Item {
                id: row
                required property string name
                required property string ip
                required property int numTuners

                width: ListView.view.width
                height: 48

                Rectangle {
                    anchors.fill: parent
                    radius: 4
                    color: hover.hovered ? "#333333" : "transparent"
                }
                HoverHandler { id: hover }
                TapHandler { onTapped: picker.selectDevice(row.ip, row.name) }

                Column {
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.leftMargin: 8
                    anchors.rightMargin: 8
                    spacing: 2
                    Text {
                        width: parent.width
                        text: row.name !== "" ? row.name : "(unnamed)"
                        font.pixelSize: 13
                        color: "#f0f0f0"
                        elide: Text.ElideRight
                    }
                    Text {
                        width: parent.width
                        text: row.ip + "  \u00b7  " + picker.tunerLabel(row.numTuners)
                        font.pixelSize: 11
                        color: "#8a8a8a"
                        elide: Text.ElideRight
                    }
                }
            }

            Text {
                anchors.centerIn: parent
                visible: deviceList.count === 0
                text: picker.scanning ? "scanning\u2026" : "no devices found"
                font.pixelSize: 12
                color: "#707070"
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: "#3a3a3a"
        }

        Text {
            text: "Or enter an IP address"
            font.pixelSize: 13
            color: "#d0d0d0"
        }

        RowLayout {
            spacing: 8
            TextField {
                id: addressField
                objectName: "addressField"
                Layout.fillWidth: true
                placeholderText: "192.168.1.50"
                placeholderTextColor: "#707070"
                color: "white"
                background: Rectangle {
                    color: "#1a1a1a"
                    border.width: 1
                    border.color: addressField.activeFocus ? "#f5871f" : "#3a3a3a"
                    radius: 4
                }
                onAccepted: connectButton.clicked()
            }
            Button {
                id: connectButton
                objectName: "connectButton"
                text: "Connect"
                enabled: addressField.text.trim() !== ""
                // The address is not checked here; the first key send reports a bad one.
                onClicked: {
                    if (enabled)
                        picker.selectDevice(addressField.text.trim(), "")
                }
            }
        }

        Button {
            objectName: "cancelButton"
            Layout.alignment: Qt.AlignRight
            text: "Cancel"
            onClicked: picker.close()
        }
    }
}
