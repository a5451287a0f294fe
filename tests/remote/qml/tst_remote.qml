// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norremote

// The real window: its shortcuts, the pulse of the keys they send, the picker, the arrows'
// auto-repeat, the LED and the toast, and the scaling of the drawn remote.
Item {
    Main {
        id: main

        property int sentCount: 0
        property var sent: []
        Connections {
            target: keySender
            function onKeySent(keys) {
                main.sentCount += 1
                main.sent.push(keys)
            }
        }
    }

    TestCase {
        id: test
        name: "Remote"
        when: windowShown

        function initTestCase() {
            main.requestActivate()
            tryCompare(main, "active", true)
            // The first press on a fresh offscreen window is cancelled as the window takes the
            // pointer; let that happen on the device bar, where a click sends nothing.
            mouseClick(findChild(main, "deviceLabel"))
            wait(300)
        }

        function keyClick(k, modifiers) {
            fixture.keyClick(main, k, modifiers === undefined ? Qt.NoModifier : modifiers)
        }

        function key(command) {
            return findChild(main.contentItem, "key_" + command)
        }

        function boxGot(count, last) {
            const keys = fixture.receivedKeys()
            return keys.length === count && keys[count - 1] === last
        }

        function init() {
            keySender.host = "127.0.0.1"
            keySender.deviceName = ""
            if (main.picker.visible)
                main.picker.close()
            tryCompare(main.picker, "visible", false)
            main.width = 340
            main.height = 920
        }

        function test_shortcut_data() {
            const rows = [
                { tag: "Up", key: Qt.Key_Up, command: "up" },
                { tag: "Down", key: Qt.Key_Down, command: "down" },
                { tag: "Left", key: Qt.Key_Left, command: "left" },
                { tag: "Right", key: Qt.Key_Right, command: "right" },
                { tag: "Return", key: Qt.Key_Return, command: "ok" },
                { tag: "Enter", key: Qt.Key_Enter, modifiers: Qt.KeypadModifier, command: "ok" },
                { tag: ".", key: Qt.Key_Period, command: "." },
                { tag: "Num+.", key: Qt.Key_Period, modifiers: Qt.KeypadModifier, command: "." },
                { tag: "Backspace", key: Qt.Key_Backspace, command: "back" },
                { tag: "X", key: Qt.Key_X, command: "back" },
                { tag: "G", key: Qt.Key_G, command: "guide" },
                { tag: "I", key: Qt.Key_I, command: "info" },
                { tag: "Z", key: Qt.Key_Z, command: "zap" },
                { tag: "M", key: Qt.Key_M, command: "menu" },
                { tag: "D", key: Qt.Key_D, command: "dvr" },
                { tag: "L", key: Qt.Key_L, command: "live" },
                { tag: "R", key: Qt.Key_R, command: "record" },
                { tag: "B", key: Qt.Key_B, command: "ba" },
                { tag: "P", key: Qt.Key_P, command: "POWER" },
                { tag: "N", key: Qt.Key_N, command: "ON" },
                { tag: "F", key: Qt.Key_F, command: "OFF" },
                { tag: "V", key: Qt.Key_V, command: "mute" }
            ]
            for (let d = 0; d <= 9; ++d) {
                rows.push({ tag: String(d), key: Qt.Key_0 + d, command: "#" + d })
                rows.push({ tag: "Num+" + d, key: Qt.Key_0 + d, modifiers: Qt.KeypadModifier,
                            command: "#" + d })
            }
            return rows
        }

        function test_shortcut(data) {
            const button = key(data.command)
            verify(button, "an on-screen key sends " + data.command)
            tryVerify(() => !button.pressedLook, 1000)
            const before = fixture.receivedKeys().length
            const sentBefore = main.sentCount

            keyClick(data.key, data.modifiers === undefined ? Qt.NoModifier : data.modifiers)

            compare(main.sentCount, sentBefore + 1, "one command per key press")
            compare(main.sent[main.sent.length - 1], data.command)
            verify(button.pressedLook, "the matching key lights up")
            tryVerify(() => boxGot(before + 1, data.command), 3000, "the box received it")
            tryVerify(() => !button.pressedLook, 1000, "the light goes out again")
        }

        function test_keys_click_their_command_data() {
            return [
                { tag: "power", command: "POWER" }, { tag: "mute", command: "mute" },
                { tag: "live", command: "live" }, { tag: "ok", command: "ok" },
                { tag: "bullet", command: "." }, { tag: "back", command: "back" },
                { tag: "seven", command: "#7" }
            ]
        }

        function test_keys_click_their_command(data) {
            const before = fixture.receivedKeys().length
            mouseClick(key(data.command))
            tryVerify(() => boxGot(before + 1, data.command), 3000)
        }

        function test_picker_takes_typed_keys_and_an_address() {
            const sentBefore = main.sentCount
            const refreshes = discoveryStandIn.refreshes
            mouseClick(findChild(main, "gearButton"))
            tryCompare(main.picker, "opened", true)
            compare(discoveryStandIn.refreshes, refreshes + 1, "opening starts a sweep")
            const field = findChild(main.picker, "addressField")
            compare(field.text, "127.0.0.1", "the field starts with the current box")
            compare(findChild(main.picker, "refreshButton").enabled, false)

            field.forceActiveFocus()
            field.selectAll()
            for (const k of [Qt.Key_1, Qt.Key_0, Qt.Key_Period, Qt.Key_2, Qt.Key_G, Qt.Key_Backspace,
                             Qt.Key_Period, Qt.Key_0, Qt.Key_Period, Qt.Key_9, Qt.Key_Up])
                keyClick(k)
            compare(field.text, "10.2.0.9")
            compare(main.sentCount, sentBefore, "nothing is sent while the picker is open")

            keyClick(Qt.Key_Return) // presses Connect
            tryCompare(main.picker, "visible", false)
            compare(keySender.host, "10.2.0.9")
            compare(settings.lastDeviceIp, "10.2.0.9")
            compare(settings.lastDeviceName, "")
            compare(findChild(main, "deviceLabel").text, "10.2.0.9")
            compare(main.sentCount, sentBefore)
            fixture.endScan([])
        }

        function test_picker_lists_found_boxes() {
            mouseClick(findChild(main, "gearButton"))
            tryCompare(main.picker, "opened", true)
            const list = findChild(main.picker, "deviceList")
            compare(list.count, 0)
            verify(findChild(main.picker, "scanIndicator").visible)

            fixture.endScan([{ name: "Living Room", ip: "127.0.0.1", tuners: 4 },
                             { name: "", ip: "127.0.0.9", tuners: 3 }])
            compare(list.count, 2)
            tryCompare(list, "height", 96)
            verify(findChild(main.picker, "refreshButton").enabled)
            waitForRendering(list)
            // Sorted by name: the unnamed box first.
            const unnamed = []
            collectTexts(list.itemAtIndex(0), unnamed)
            compare(unnamed, ["(unnamed)", "127.0.0.9  \u00b7  3 Tuners"])
            const row = list.itemAtIndex(1)
            const texts = []
            collectTexts(row, texts)
            compare(texts, ["Living Room", "127.0.0.1  \u00b7  Norvale Quad"])

            mouseClick(row)
            tryCompare(main.picker, "visible", false)
            compare(keySender.host, "127.0.0.1")
            compare(keySender.deviceName, "Living Room")
            compare(settings.lastDeviceName, "Living Room")
            compare(findChild(main, "deviceLabel").text, "Living Room")

            // A new host drops the name, and the bar follows.
            keySender.host = "127.0.0.2"
            compare(findChild(main, "deviceLabel").text, "127.0.0.2")
            fixture.endScan([])
        }

        function collectTexts(item, out) {
            for (let i = 0; i < item.children.length; ++i) {
                const child = item.children[i]
                if (child.text !== undefined && child.font !== undefined)
                    out.push(child.text)
                collectTexts(child, out)
            }
        }

        function test_picker_cancel_and_blank_address() {
            mouseClick(findChild(main, "gearButton"))
            tryCompare(main.picker, "opened", true)
            const field = findChild(main.picker, "addressField")
            field.text = "   "
            compare(findChild(main.picker, "connectButton").enabled, false)
            field.text = " 10.9.9.9 "
            verify(findChild(main.picker, "connectButton").enabled)
            mouseClick(findChild(main.picker, "cancelButton"))
            tryCompare(main.picker, "visible", false)
            compare(keySender.host, "127.0.0.1")
            fixture.endScan([])
        }

        function test_arrows_repeat_while_held_data() {
            return [
                { tag: "up arrow", command: "up", repeats: true },
                { tag: "guide", command: "guide", repeats: false }
            ]
        }

        function test_arrows_repeat_while_held(data) {
            const button = key(data.command)
            const count = () => main.sent.filter(k => k === data.command).length
            const before = count()
            mousePress(button)
            if (data.repeats) {
                tryVerify(() => count() >= before + 3, 3000, "held, it keeps sending")
            } else {
                wait(700)
                compare(count(), before, "other keys send on release only")
            }
            mouseRelease(button)
            const released = count()
            wait(600)
            compare(count(), released, "nothing more after the release")
            verify(released > before)
        }

        function test_led_and_toast() {
            const led = findChild(main, "statusLed")
            const toast = findChild(main, "toast")
            compare(toast.opacity, 0)

            keyClick(Qt.Key_I)
            tryVerify(() => Qt.colorEqual(led.color, "#3ec46d"), 3000, "green on acknowledgement")
            tryVerify(() => Qt.colorEqual(led.color, "#303030"), 1000)
            compare(toast.opacity, 0, "no toast for a key that worked")

            keySender.host = "box.local"
            keyClick(Qt.Key_G)
            verify(Qt.colorEqual(led.color, "#e5484d"), "red on failure")
            compare(findChild(main, "toastText").text, "'guide': invalid IP address 'box.local'")
            tryCompare(toast, "opacity", 0.95, 1000)
            tryVerify(() => Qt.colorEqual(led.color, "#303030"), 1000)
            tryCompare(toast, "opacity", 0, 4000)
        }

        function test_remote_scales_to_the_window_data() {
            return [
                { tag: "tall and narrow", width: 220, height: 1800 },
                { tag: "wide and short", width: 1600, height: 560 },
                { tag: "initial", width: 340, height: 920 }
            ]
        }

        function test_remote_scales_to_the_window(data) {
            main.width = data.width
            main.height = data.height
            tryCompare(main.contentItem, "width", data.width)
            tryCompare(main.contentItem, "height", data.height)
            const remote = main.remote
            const topLeft = remote.mapToItem(main.contentItem, 0, 0)
            const bottomRight = remote.mapToItem(main.contentItem, remote.width, remote.height)
            const bar = findChild(main.contentItem, "deviceBar")
            const barBottom = bar.mapToItem(main.contentItem, 0, bar.height).y
            const left = topLeft.x, right = bottomRight.x
            const top = topLeft.y, bottom = bottomRight.y

            // Inside the area below the bar, centred, the design's shape kept.
            verify(left >= 6 - 0.5 && right <= data.width - 6 + 0.5, "fits the width")
            verify(top >= barBottom + 6 - 0.5 && bottom <= data.height - 6 + 0.5, "fits the height")
            fuzzyCompare((bottom - top) / (right - left), 1000 / 300, 0.001)
            fuzzyCompare((left + right) / 2, data.width / 2, 0.5)
            // And as large as the tighter side allows.
            const fillsWidth = Math.abs(left - 6) < 0.5 && Math.abs(right - (data.width - 6)) < 0.5
            const fillsHeight = Math.abs(top - (barBottom + 6)) < 0.5
                                && Math.abs(bottom - (data.height - 6)) < 0.5
            if (data.width / data.height < 0.3)
                verify(fillsWidth, "a narrow window: the width decides")
            else
                verify(fillsHeight, "a short window: the height decides")
        }
    }
}
