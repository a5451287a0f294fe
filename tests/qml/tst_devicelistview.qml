// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The device list against the real device model, fed by the discovery stand-in as start-up
// feeds it from the real service: which body shows while sweeping and after, the rows' texts,
// and what a click and the header's buttons do.
Item {
    id: scene
    width: 900
    height: 600

    // Under the view: counts the clicks that get through it.
    MouseArea {
        id: below
        property int clicks: 0
        anchors.fill: parent
        onClicked: ++clicks
    }

    DeviceListView {
        id: view
        anchors.fill: parent
    }

    // Draws a text as plain text, for comparing a label with.
    Component {
        id: plainText
        Text {
            textFormat: Text.PlainText
        }
    }

    SignalSpy {
        id: activatedSpy
        target: view
        signalName: "deviceActivated"
    }
    SignalSpy {
        id: closeSpy
        target: view
        signalName: "closeRequested"
    }

    TestCase {
        name: "DeviceListView"
        when: windowShown

        readonly property var boxes: [
            { name: "Living Room", ip: "10.0.0.5", id: "0a1b2c3d4e01", tuners: 4, library: true },
            { name: "", ip: "10.0.0.7", id: "0a1b2c3d4e02", tuners: 2, library: false },
            { name: "", ip: "", id: "0a1b2c3d4e03", tuners: 0, library: true },
            { name: "<b>Attic</b>", ip: "10.0.0.9", id: "0a1b2c3d4e04", tuners: 3, library: false }
        ]

        function part(item, name) {
            const found = findChild(item, name)
            verify(found, "no item " + name)
            return found
        }

        function bodies() {
            return ["scanningBody", "emptyBody", "deviceList"].filter(b => part(view, b).visible)
        }

        function rows() {
            const list = part(view, "deviceList")
            const out = []
            for (let i = 0; i < list.count; ++i) {
                const row = list.itemAtIndex(i)
                if (row)
                    out.push(row)
            }
            return out
        }

        function rowTitled(title) {
            let found = null
            tryVerify(() => {
                found = rows().find(r => part(r, "deviceTitle").text === title) ?? null
                return found !== null
            }, 2000, "no row " + title)
            return found
        }

        // The label shows its text as it is, tags and all.
        function verifyPlain(label) {
            const reference = createTemporaryObject(plainText, scene, { text: label.text, font: label.font })
            compare(label.implicitWidth, reference.implicitWidth, label.text + " is not shown as plain text")
        }

        function init() {
            discoveryService.reset()
            discoveryService.finish([])
            discoveryService.reset()
            activatedSpy.clear()
            closeSpy.clear()
            below.clicks = 0
        }

        function test_scanningWithoutDevices() {
            discoveryService.refresh()
            compare(bodies(), ["scanningBody"])
            verify(part(view, "headerBusy").visible)
            verify(!part(view, "refreshButton").enabled)

            // Boxes found by an earlier sweep stay on the list while a new one runs.
            discoveryService.finish(boxes)
            discoveryService.refresh()
            compare(bodies(), ["deviceList"])
            verify(part(view, "headerBusy").visible)
            verify(!part(view, "refreshButton").enabled)
        }

        function test_noDevicesFound() {
            discoveryService.refresh()
            discoveryService.finish([])
            compare(bodies(), ["emptyBody"])
            verify(!part(view, "headerBusy").visible)
            const refresh = part(view, "refreshButton")
            verify(refresh.enabled)

            // Both Refresh buttons start a new sweep.
            mouseClick(part(view, "emptyRefreshButton"))
            compare(discoveryService.refreshCount, 2)
            compare(bodies(), ["scanningBody"])
            discoveryService.finish([])
            mouseClick(refresh)
            compare(discoveryService.refreshCount, 3)
        }

        function test_header() {
            compare(part(view, "clientId").text, "This app: " + deviceIdentity.deviceId)
            verify(/^This app: \w{4}-\w{4}-\w{4}$/.test(part(view, "clientId").text))
            mouseClick(part(view, "backButton"))
            compare(closeSpy.count, 1)
            compare(part(view, "backButton").tooltip, "Back")
        }

        function test_rows_data() {
            return [
                { tag: "named", title: "Living Room", tuners: "Norvale Quad", ip: "10.0.0.5", idText: "ID 0a1b-2c3d-4e01", badge: true },
                { tag: "unnamed: its address", title: "10.0.0.7", tuners: "Norvale Duo", ip: "", idText: "ID 0a1b-2c3d-4e02", badge: false },
                { tag: "no name, no address: its id", title: "0a1b-2c3d-4e03", tuners: "Norvale Vault", ip: "", idText: "ID 0a1b-2c3d-4e03", badge: true },
                { tag: "markup in the name", title: "<b>Attic</b>", tuners: "3 Tuners", ip: "10.0.0.9", idText: "ID 0a1b-2c3d-4e04", badge: false }
            ]
        }

        function test_rows(data) {
            discoveryService.refresh()
            discoveryService.finish(boxes)
            compare(bodies(), ["deviceList"])
            const row = rowTitled(data.title)
            compare(row.height, 72)
            compare(part(row, "tunerLabel").text, data.tuners)
            // The edition labels are the device model's, which the remote control shows too.
            compare(part(row, "tunerLabel").text, remoteDeviceModel.tunerLabel(row.numTuners))
            compare(part(row, "deviceIp").visible, data.ip !== "")
            if (data.ip !== "")
                compare(part(row, "deviceIp").text, data.ip)
            compare(part(row, "deviceIdText").text, data.idText)
            compare(part(row, "libraryBadge").visible, data.badge)
            verifyPlain(part(row, "deviceTitle"))
        }

        function test_clickActivatesAndMarksTheRow() {
            discoveryService.refresh()
            discoveryService.finish(boxes)
            const row = rowTitled("10.0.0.7")
            verify(rows().every(r => !part(r, "currentTint").visible), "a current row before any click")

            // A click on the labels too: they take no clicks of their own.
            mouseClick(part(row, "deviceIdText"))
            compare(activatedSpy.count, 1)
            compare(activatedSpy.signalArguments[0][0], "10.0.0.7")
            compare(activatedSpy.signalArguments[0][1], "0a1b2c3d4e02")
            compare(activatedSpy.signalArguments[0][2], "10.0.0.7")
            verify(part(row, "currentTint").visible)
            compare(rows().filter(r => part(r, "currentTint").visible).length, 1)

            mouseClick(rowTitled("Living Room"), 300, 36)
            compare(activatedSpy.signalArguments[1][0], "10.0.0.5")
            compare(activatedSpy.signalArguments[1][2], "Living Room")
            verify(!part(row, "currentTint").visible)

            // A new sweep's list starts without a current row.
            discoveryService.refresh()
            discoveryService.finish(boxes)
            verify(rows().every(r => !part(r, "currentTint").visible))
        }

        function test_strayClicksStayInTheView_data() {
            return [
                { tag: "searching", boxes: null },
                { tag: "nothing found", boxes: [] },
                { tag: "below the rows", boxes: [{ name: "Den", ip: "10.0.0.3", id: "0a1b2c3d4e09", tuners: 1 }] }
            ]
        }

        function test_strayClicksStayInTheView(data) {
            discoveryService.refresh()
            if (data.boxes !== null)
                discoveryService.finish(data.boxes)
            mouseClick(view, 30, view.height - 30)
            mouseClick(view, view.width / 2, 28) // the header's empty middle
            mouseWheel(view, 30, view.height - 30, 0, -120)
            compare(below.clicks, 0)
            compare(activatedSpy.count, 0)
        }
    }
}
