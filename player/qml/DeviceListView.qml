// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "Theme.js" as Theme

// The Norvale boxes found on the network. A sweep runs through discoveryService; its result is
// the list of remoteDeviceModel. Picking a box asks the shell to show its recordings.
Rectangle {
    id: view

    signal closeRequested
    signal deviceActivated(string ip, string deviceId, string label)

    // The back end goes before the scene at exit; bindings then read null objects.
    readonly property bool scanning: discoveryService?.scanning ?? false
    readonly property int deviceCount: remoteDeviceModel?.count ?? 0

    // The edition label of a box, as the remote control's device picker shows it.
    function tunerLabel(n) {
        return remoteDeviceModel.tunerLabel(n)
    }

    // Boxes left at factory settings often share one name or have none: the address, then the
    // id, stand in for it.
    function titleOf(name, ip, deviceId) {
        if (name !== "")
            return name
        return ip !== "" ? ip : deviceId
    }

    color: Theme.listSurface
    palette.windowText: Theme.text
    palette.text: Theme.text
    palette.buttonText: Theme.text
    palette.button: Theme.controlFill
    palette.base: Theme.fieldFill

    // Behind every control: stray clicks, wheel turns and hovering end here, not in the layers
    // below.
    MouseArea {
        objectName: "clickSink"
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        hoverEnabled: true
        onWheel: wheel => wheel.accepted = true
    }

    Rectangle {
        id: header
        objectName: "header"
        anchors {
            left: parent.left
            right: parent.right
            top: parent.top
        }
        height: 56
        color: Theme.surface

        RowLayout {
            anchors {
                fill: parent
                leftMargin: 12
                rightMargin: 16
            }
            spacing: 12

            IconButton {
                objectName: "backButton"
                implicitWidth: 40
                implicitHeight: 40
                glyph: Glyphs.back
                tooltip: "Back"
                onClicked: view.closeRequested()
            }
            Label {
                text: "Norvale Devices"
                font.pixelSize: 18
                font.bold: true
            }
            Item {
                Layout.fillWidth: true
            }
            Label {
                objectName: "clientId"
                textFormat: Text.PlainText
                text: "This app: %1".arg(deviceIdentity?.deviceId ?? "")
                font.pixelSize: 12
                opacity: 0.6
            }
            BusyIndicator {
                objectName: "headerBusy"
                Layout.preferredWidth: 24
                Layout.preferredHeight: 24
                padding: 0
                running: view.scanning
                visible: view.scanning
            }
            Button {
                objectName: "refreshButton"
                text: "Refresh"
                enabled: !view.scanning
                onClicked: discoveryService.refresh()
            }
        }
    }

    // A sweep runs and nothing has answered yet.
    ColumnLayout {
        objectName: "scanningBody"
        anchors.centerIn: parent
        width: Math.min(view.width - 80, 420)
        spacing: 16
        visible: view.scanning && view.deviceCount === 0

        BusyIndicator {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 48
            Layout.preferredHeight: 48
            running: parent.visible
        }
        Label {
            Layout.fillWidth: true
            text: "Searching for Norvale devices…"
            font.pixelSize: 16
            opacity: 0.8
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
        }
    }

    // The last sweep found nothing.
    ColumnLayout {
        objectName: "emptyBody"
        anchors.centerIn: parent
        width: Math.min(view.width - 80, 420)
        spacing: 12
        visible: !view.scanning && view.deviceCount === 0

        Label {
            Layout.alignment: Qt.AlignHCenter
            text: "No devices found"
            font.pixelSize: 20
            font.bold: true
        }
        Label {
            Layout.fillWidth: true
            text: "Make sure a Norvale is powered on and connected to the same network as this computer, then try again."
            font.pixelSize: 13
            opacity: 0.7
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
        }
        Button {
            objectName: "emptyRefreshButton"
            Layout.alignment: Qt.AlignHCenter
            text: "Refresh"
            onClicked: discoveryService.refresh()
        }
    }

    ListView {
        id: list
        objectName: "deviceList"
        anchors {
            left: parent.left
            right: parent.right
            top: header.bottom
            topMargin: 8
            bottom: parent.bottom
        }
        visible: view.deviceCount > 0
        model: remoteDeviceModel
        currentIndex: -1
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        spacing: 0
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
        }
        // A new sweep's list has no current row either.
        Connections {
            target: remoteDeviceModel

            function onModelReset() {
                list.currentIndex = -1
            }
        }

        delegate: Item {
            id: row

            required property int index
            required property string name
            required property string ip
            required property string deviceId
            required property string deviceIdRaw
            required property int numTuners
            required property bool hasLibrary

            readonly property string title: view.titleOf(name, ip, deviceId)

            width: ListView.view.width
            height: 72

            // Lit by the hover handler, as the library's rows are.
            HoverHandler {
                id: rowHover
            }

            Rectangle {
                objectName: "currentTint"
                anchors.fill: parent
                color: "#2a3a52"
                opacity: 0.5
                visible: row.ListView.isCurrentItem
            }
            Rectangle {
                objectName: "hoverTint"
                anchors.fill: parent
                color: "white"
                opacity: rowHover.hovered ? 0.06 : 0
                Behavior on opacity {
                    NumberAnimation {
                        duration: 100
                    }
                }
            }
            Rectangle {
                anchors {
                    left: parent.left
                    right: parent.right
                    bottom: parent.bottom
                }
                height: 1
                color: "#222"
            }

            MouseArea {
                objectName: "rowArea"
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: {
                    list.currentIndex = row.index
                    view.deviceActivated(row.ip, row.deviceIdRaw, row.title)
                }
            }

            ColumnLayout {
                anchors {
                    left: parent.left
                    right: parent.right
                    verticalCenter: parent.verticalCenter
                    leftMargin: 16
                    rightMargin: 16
                }
                spacing: 4

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 12

                    Label {
                        objectName: "deviceTitle"
                        textFormat: Text.PlainText
                        Layout.fillWidth: true
                        Layout.maximumWidth: Math.ceil(implicitWidth) // layouts snap to whole pixels
                        text: row.title
                        font.pixelSize: 16
                        font.bold: true
                        elide: Text.ElideRight
                    }
                    Label {
                        objectName: "tunerLabel"
                        textFormat: Text.PlainText
                        Layout.fillWidth: true
                        text: view.tunerLabel(row.numTuners)
                        font.pixelSize: 13
                        opacity: 0.7
                        elide: Text.ElideRight
                    }
                }
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 12

                    Label {
                        objectName: "deviceIp"
                        textFormat: Text.PlainText
                        text: row.ip
                        // Shown beside the name; a title that is the address needs it no more.
                        visible: row.name !== "" && row.ip !== ""
                        font.pixelSize: 12
                        opacity: 0.7
                    }
                    Label {
                        objectName: "deviceIdText"
                        textFormat: Text.PlainText
                        text: "ID %1".arg(row.deviceId)
                        font.pixelSize: 12
                        opacity: 0.7
                    }
                    Item {
                        Layout.fillWidth: true
                    }
                    Label {
                        objectName: "libraryBadge"
                        text: "Library"
                        visible: row.hasLibrary
                        font.pixelSize: 11
                        color: "#8fcaff"
                        opacity: 0.9
                    }
                }
            }
        }
    }
}
