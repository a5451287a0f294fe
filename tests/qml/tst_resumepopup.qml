// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The resume choice: its texts, its size, and the rule that every opening ends in exactly one
// of confirmResume, startOver and cancelResume, also against the real RecordingState.
Item {
    id: scene
    width: 800
    height: 600

    ResumePopup {
        id: popup
    }

    PlaylistGenPopup {
        id: genPopup
    }

    Item {
        id: narrow
        width: 300
        height: 200
        ResumePopup {
            id: narrowPopup
            recordingName: "A name long enough to need more than one line in a narrow window"
        }
    }

    // Counts the calls a popup makes on its target.
    QtObject {
        id: target
        property int confirms: 0
        property int startOvers: 0
        property int cancels: 0
        function confirmResume() {
            ++confirms
        }
        function startOver() {
            ++startOvers
        }
        function cancelResume() {
            ++cancels
        }
    }

    SignalSpy {
        id: playSpy
        target: recordingState
        signalName: "playReady"
    }
    SignalSpy {
        id: resumeSpy
        target: recordingState
        signalName: "resumeRequested"
    }

    TestCase {
        name: "ResumePopup"
        when: windowShown

        function part(name) {
            const item = findChild(popup.contentItem, name)
            verify(item, "no item " + name)
            return item
        }

        function openWith(seconds, resumeTarget) {
            popup.recordingName = "Quiz Night"
            popup.recordingTitle = "Finals"
            popup.savedSeconds = seconds
            popup.actionTaken = false
            popup.resumeTarget = resumeTarget
            popup.open()
            tryCompare(popup, "opened", true)
        }

        // What the given way of leaving the popup does.
        function leave(how) {
            if (how === "resume")
                mouseClick(part("resumeButton"))
            else if (how === "start over")
                mouseClick(part("startOverButton"))
            else if (how === "cancel")
                mouseClick(part("cancelButton"))
            else if (how === "escape")
                keyClick(Qt.Key_Escape)
            else if (how === "click outside")
                mouseClick(scene, 5, 5)
            tryCompare(popup, "visible", false)
        }

        function initTestCase() {
            // Until the shell says otherwise, the choice goes to the local resume logic.
            verify(popup.resumeTarget === recordingState)
        }

        function init() {
            target.confirms = 0
            target.startOvers = 0
            target.cancels = 0
            playSpy.clear()
            resumeSpy.clear()
            mainWindow.reset()
            settings.libraryRoot = fixtures.rootUrl("mixed")
        }

        function cleanup() {
            popup.close()
            genPopup.close()
            narrowPopup.close()
            recordingState.cancelResume()
        }

        function test_formatSeconds_data() {
            return [
                { tag: "minutes and seconds", s: 95, text: "1:35" },
                { tag: "hours", s: 3725, text: "1:02:05" },
                { tag: "negative", s: -1, text: "--:--" },
                { tag: "zero", s: 0, text: "0:00" },
                { tag: "just under a minute", s: 59, text: "0:59" },
                { tag: "ten minutes", s: 600, text: "10:00" },
                { tag: "one hour", s: 3600, text: "1:00:00" },
                { tag: "ten hours", s: 36061, text: "10:01:01" }
            ]
        }

        function test_formatSeconds(data) {
            compare(popup.formatSeconds(data.s), data.text)
        }

        function test_texts_data() {
            return [
                { tag: "hours", seconds: 3725, time: "1:02:05" },
                { tag: "minutes", seconds: 95, time: "1:35" }
            ]
        }

        function test_texts(data) {
            openWith(data.seconds, target)
            compare(part("resumeButton").text, "Resume from " + data.time)
            compare(part("savedAt").text, "Saved at " + data.time)
            compare(part("startOverButton").text, "Start from beginning")
            compare(part("cancelButton").text, "Cancel")
            verify(part("resumeButton").highlighted)
            compare(part("resumeButton").width, popup.availableWidth)
            compare(part("startOverButton").width, popup.availableWidth)
            verify(part("resumeName").visible)
            compare(part("resumeTitle").text, "Finals")

            popup.recordingTitle = ""
            verify(!part("resumeTitle").visible)
            popup.recordingName = ""
            verify(!part("resumeName").visible)
        }

        function test_geometry() {
            openWith(95, target)
            compare(popup.width, 420)
            verify(popup.height <= scene.height - 64)
            compare(popup.x, (scene.width - popup.width) / 2)
            compare(popup.y, (scene.height - popup.height) / 2)

            narrowPopup.resumeTarget = target
            narrowPopup.open()
            tryCompare(narrowPopup, "opened", true)
            compare(narrowPopup.width, 300 - 64)
            compare(narrowPopup.height, 200 - 64)
        }

        function test_exactlyOneCall_data() {
            return [
                { tag: "Resume from", how: "resume", confirms: 1, startOvers: 0, cancels: 0 },
                { tag: "Start from beginning", how: "start over", confirms: 0, startOvers: 1, cancels: 0 },
                { tag: "Cancel", how: "cancel", confirms: 0, startOvers: 0, cancels: 1 },
                { tag: "Esc", how: "escape", confirms: 0, startOvers: 0, cancels: 1 },
                { tag: "click outside", how: "click outside", confirms: 0, startOvers: 0, cancels: 1 }
            ]
        }

        function test_exactlyOneCall(data) {
            openWith(3725, target)
            compare(mainWindow.modalOpen, true)
            leave(data.how)
            compare(target.confirms, data.confirms)
            compare(target.startOvers, data.startOvers)
            compare(target.cancels, data.cancels)
            compare(popup.actionTaken, false)
            compare(mainWindow.modalOpen, false)

            // The next opening starts afresh: leaving it with Esc cancels once more.
            openWith(3725, target)
            leave("escape")
            compare(target.confirms, data.confirms)
            compare(target.startOvers, data.startOvers)
            compare(target.cancels, data.cancels + 1)
        }

        function test_realRecordingState_data() {
            return [
                { tag: "Resume from", how: "resume", start: 120 },
                { tag: "Start from beginning", how: "start over", start: 0 },
                { tag: "Esc", how: "escape", start: -1 },
                { tag: "Cancel", how: "cancel", start: -1 }
            ]
        }

        function test_realRecordingState(data) {
            const url = fixtures.masterUrl("mixed", "rec-c")
            recordingState.play(url, fixtures.folderPath("mixed", "rec-c"))
            compare(resumeSpy.count, 1)
            compare(resumeSpy.signalArguments[0][1], 120)
            compare(playSpy.count, 0)

            openWith(resumeSpy.signalArguments[0][1], recordingState)
            compare(part("resumeButton").text, "Resume from 2:00")
            leave(data.how)
            if (data.start < 0) {
                compare(playSpy.count, 0)
                // Nothing is left pending: a late confirmation plays nothing.
                recordingState.confirmResume()
                compare(playSpy.count, 0)
            } else {
                compare(playSpy.count, 1)
                compare(String(playSpy.signalArguments[0][0]), String(url))
                compare(playSpy.signalArguments[0][1], data.start)
            }
        }

        function test_handoffFromGenerationPopup() {
            // The shell closes the generation popup and then opens this one: the keyboard
            // stays with a popup throughout.
            genPopup.open()
            tryCompare(genPopup, "opened", true)
            compare(mainWindow.modalOpen, true)
            genPopup.close()
            openWith(95, target)
            tryCompare(genPopup, "visible", false)
            compare(mainWindow.modalOpen, true)
            leave("escape")
            compare(mainWindow.modalOpen, false)
            compare(target.cancels, 1)
        }
    }
}
