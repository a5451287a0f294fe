// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtTest
import Norplay

// The root scene against the stand-in player and main window: what opening, pausing, stopping and
// the window's requests do to the library overlay, the bar, the splash, the settings panel and
// the cursor, and where the bar sits.
Item {
    id: scene
    width: 1100
    height: 619

    Component {
        id: mainComponent
        Main {}
    }

    SignalSpy {
        id: libraryToggleSpy
        target: mainWindow
        signalName: "libraryToggleRequested"
    }

    TestCase {
        id: tc
        name: "ShellState"
        when: windowShown

        readonly property url mediaA: "file:///recordings/a/master.m3u8"
        readonly property url mediaB: "file:///recordings/b/master.m3u8"
        // The bar hides this long after the last activity while playing.
        readonly property int countdownMs: 2500

        function makeMain(width, height) {
            const main = createTemporaryObject(mainComponent, scene,
                                               {width: width || scene.width,
                                                height: height || scene.height})
            verify(main, "Main did not load")
            return main
        }

        function part(main, name) {
            const item = findChild(main, name)
            verify(item, "no item " + name)
            return item
        }

        // How long the bar may take to hide on a loaded machine; only a failing test waits it out.
        function hideTimeout() {
            return countdownMs + 10000
        }

        // The earliest a hide may come after the activity that started the countdown. The timer
        // runs on the scene's animation clock, which may run a few frames ahead of the wall clock.
        function earliestHide() {
            return countdownMs - 200
        }

        // Runs `action` and returns how many milliseconds after its start the bar hid. The time is
        // taken when barVisible turns false, so a slow machine can only make it longer, never
        // shorter: a check that the bar did not hide too early cannot fail because of load.
        function hideDelayAfter(main, action) {
            let hiddenAt = -1
            const noteHide = () => {
                if (!main.barVisible)
                    hiddenAt = Date.now()
            }
            main.barVisibleChanged.connect(noteHide)
            const start = Date.now()
            action()
            tryVerify(() => hiddenAt >= 0, hideTimeout(), "the bar did not hide")
            main.barVisibleChanged.disconnect(noteHide)
            return hiddenAt - start
        }

        function init() {
            bridge.reset()
            mainWindow.reset()
        }

        function cleanup() {
            bridge.reset()
            mainWindow.reset()
        }

        function test_startShowsOnlyTheLibrary() {
            const main = makeMain()
            verify(!main.watching)
            verify(part(main, "libraryLayer").visible)
            verify(!part(main, "controlsBar").visible)
            verify(!part(main, "splash").visible)
            verify(!mainWindow.blankCursor)

            // Esc (library toggle) with nothing loaded does nothing.
            mainWindow.requestToggleLibrary()
            verify(main.libraryVisible)
            verify(part(main, "libraryLayer").visible)
        }

        function test_openingShowsSplashUntilTheFirstFrame() {
            const main = makeMain()
            const splash = part(main, "splash")
            const video = part(main, "videoItem")

            bridge.open(mediaA)
            verify(main.watching)
            verify(!main.libraryVisible)
            verify(!part(main, "libraryLayer").visible)
            verify(!main.firstFrameSeen)
            tryCompare(splash, "opacity", 1, 1000)
            verify(splash.visible)

            video.firstFrameReceived()
            verify(main.firstFrameSeen)
            tryCompare(splash, "visible", false, 1000)

            // Stopping keeps firstFrameSeen; the next open resets it so the splash covers warm-up.
            bridge.stop()
            verify(!main.watching)
            verify(main.firstFrameSeen)
            verify(!splash.visible)
            bridge.open(mediaB)
            verify(!main.firstFrameSeen)
            tryCompare(splash, "opacity", 1, 1000)
        }

        function test_splashStaysUnderTheLibraryOverlay() {
            const main = makeMain()
            bridge.open(mediaA)
            mainWindow.requestToggleLibrary()
            verify(main.libraryVisible)
            tryCompare(part(main, "splash"), "visible", false, 1000)
        }

        function test_barHidesAfterIdleWhilePlaying() {
            const main = makeMain()
            bridge.open(mediaA)
            const bar = part(main, "controlsBar")
            const delay = hideDelayAfter(main, () => {
                bridge.playing = true
                tryCompare(bar, "opacity", 1, 1000) // fades in over 200 ms
            })
            verify(delay >= earliestHide(), "hidden " + delay + " ms after playing started")
            tryCompare(bar, "visible", false, 1000)

            // The slightest activity brings it back and restarts the countdown: a second one well
            // inside the first countdown moves the hide to a full countdown after the second.
            // (Without the restart the bar hides at the first countdown's end, or, if the machine
            // stalled past it, never again.)
            mainWindow.notePointerActivity()
            verify(main.barVisible)
            tryCompare(bar, "opacity", 1, 1000)
            wait(1000)
            const again = hideDelayAfter(main, () => mainWindow.notePointerActivity())
            verify(again >= earliestHide(),
                   "activity did not restart the countdown: hidden " + again + " ms after it")
        }

        function test_pausingShowsTheBarAndKeepsIt() {
            const main = makeMain()
            bridge.open(mediaA)
            bridge.playing = true
            tryCompare(main, "barVisible", false, hideTimeout())

            // Longer than a countdown: one left running would have hidden the bar. (A slow
            // machine only makes the wait longer.)
            bridge.playing = false
            verify(main.barVisible)
            wait(countdownMs + 500)
            verify(main.barVisible, "bar hid while paused")

            const delay = hideDelayAfter(main, () => { bridge.playing = true })
            verify(delay >= earliestHide(), "hidden " + delay + " ms after resuming")
        }

        function test_settingsPanelKeepsTheBar() {
            const main = makeMain()
            bridge.open(mediaA)
            bridge.playing = true

            mainWindow.requestToggleSettings()
            verify(main.settingsOpen)
            verify(part(main, "settingsPanel").open)
            wait(countdownMs + 1000)
            verify(main.barVisible, "bar hid under the open settings panel")
            mainWindow.notePointerActivity()
            wait(countdownMs + 500)
            verify(main.barVisible, "activity under the open settings panel started a countdown")

            // Closing counts as activity: the countdown starts over.
            const delay = hideDelayAfter(main, () => {
                mainWindow.requestToggleSettings()
                verify(!main.settingsOpen)
            })
            verify(delay >= earliestHide(), "hidden " + delay + " ms after closing the panel")
        }

        function test_cursorBlanksOnlyInFullScreenWithTheBarHidden() {
            const main = makeMain()
            bridge.open(mediaA)
            bridge.playing = true
            tryCompare(main, "barVisible", false, hideTimeout())
            verify(!mainWindow.blankCursor, "blank in a window")

            mainWindow.fullScreen = true
            verify(mainWindow.blankCursor)

            // A movement shows the bar and the cursor again.
            mainWindow.notePointerActivity()
            verify(!mainWindow.blankCursor)
            tryCompare(mainWindow, "blankCursor", true, hideTimeout())

            // The library overlay needs the cursor.
            mainWindow.requestToggleLibrary()
            verify(main.libraryVisible)
            verify(!mainWindow.blankCursor)
            mainWindow.requestToggleLibrary()
            verify(!main.libraryVisible)

            // Nothing loaded: the cursor stays.
            bridge.stop()
            verify(!mainWindow.blankCursor)
        }

        function test_libraryToggle_data() {
            return [
                {tag: "nothing loaded", watching: false, libraryBefore: true, settingsBefore: false,
                 libraryAfter: true, settingsAfter: false},
                {tag: "over the video", watching: true, libraryBefore: false, settingsBefore: true,
                 libraryAfter: true, settingsAfter: false},
                {tag: "back to the video", watching: true, libraryBefore: true, settingsBefore: false,
                 libraryAfter: false, settingsAfter: false},
            ]
        }

        function test_libraryToggle(data) {
            const main = makeMain()
            if (data.watching)
                bridge.open(mediaA)
            main.libraryVisible = data.libraryBefore
            main.settingsOpen = data.settingsBefore

            mainWindow.requestToggleLibrary()
            compare(main.libraryVisible, data.libraryAfter)
            compare(main.settingsOpen, data.settingsAfter)
            compare(part(main, "libraryLayer").visible, !data.watching || data.libraryAfter)
        }

        function test_localLibraryRequest() {
            const main = makeMain()
            main.settingsOpen = true
            mainWindow.requestShowLocalLibrary()
            verify(!main.settingsOpen)

            bridge.open(mediaA)
            verify(!main.libraryVisible)
            main.settingsOpen = true
            mainWindow.requestShowLocalLibrary()
            verify(main.libraryVisible)
            verify(!main.settingsOpen)
        }

        function test_stopAndEndCloseTheSettingsPanel() {
            const main = makeMain()
            bridge.open(mediaA)
            mainWindow.requestToggleSettings()
            verify(main.settingsOpen)

            // Opening another media keeps it; stopping closes it and shows the library again.
            bridge.open(mediaB)
            verify(main.settingsOpen)
            bridge.stop()
            verify(!main.settingsOpen)
            verify(part(main, "libraryLayer").visible)
            tryCompare(part(main, "controlsBar"), "visible", false, 1000)
        }

        function test_barGeometry_data() {
            return [
                {tag: "window 1100", fullScreen: false, width: 1100, x: 0, barWidth: 1100,
                 height: 72, gap: 0},
                {tag: "window 3840", fullScreen: false, width: 3840, x: 0, barWidth: 3840,
                 height: 72, gap: 0},
                {tag: "full 3840", fullScreen: true, width: 3840, x: 1220, barWidth: 1400,
                 height: 80, gap: 60},
                {tag: "full 1920", fullScreen: true, width: 1920, x: 260, barWidth: 1400,
                 height: 80, gap: 60},
                {tag: "full 1500", fullScreen: true, width: 1500, x: 50, barWidth: 1400,
                 height: 80, gap: 60},
                {tag: "full 1480", fullScreen: true, width: 1480, x: 40, barWidth: 1400,
                 height: 80, gap: 60},
                {tag: "full 1280", fullScreen: true, width: 1280, x: 40, barWidth: 1200,
                 height: 80, gap: 60},
            ]
        }

        function test_barGeometry(data) {
            const main = makeMain(data.width, 700)
            mainWindow.fullScreen = data.fullScreen
            const bar = part(main, "controlsBar")
            compare(bar.floating, data.fullScreen)
            compare(bar.x, data.x)
            compare(bar.width, data.barWidth)
            compare(bar.height, data.height)
            compare(700 - (bar.y + bar.height), data.gap)
            compare(bar.radius, data.fullScreen ? 12 : 0)
            compare(bar.border.width, data.fullScreen ? 1 : 0)
        }

        function test_escClosesPopupWithoutTogglingTheLibrary_data() {
            return [
                {tag: "help", request: "requestShowHelp", popup: "helpPopup"},
                {tag: "about", request: "requestShowAbout", popup: "aboutPopup"},
            ]
        }

        function test_escClosesPopupWithoutTogglingTheLibrary(data) {
            const main = makeMain()
            bridge.open(mediaA)
            verify(!main.libraryVisible)
            const popup = part(main, data.popup)
            libraryToggleSpy.clear()

            mainWindow[data.request]()
            tryCompare(popup, "opened", true, 1000)
            verify(mainWindow.modalOpen)

            keyClick(Qt.Key_Escape)
            tryCompare(popup, "visible", false, 1000)
            verify(!mainWindow.modalOpen)
            compare(libraryToggleSpy.count, 0)
            verify(!main.libraryVisible)
        }

        function test_pressOutsideClosesPopup_data() {
            return test_escClosesPopupWithoutTogglingTheLibrary_data()
        }

        function test_pressOutsideClosesPopup(data) {
            const main = makeMain()
            const popup = part(main, data.popup)
            mainWindow[data.request]()
            tryCompare(popup, "opened", true, 1000)
            verify(mainWindow.modalOpen)

            mouseClick(main, 10, 10)
            tryCompare(popup, "visible", false, 1000)
            verify(!mainWindow.modalOpen)
        }

        function test_popupTexts() {
            const main = makeMain()
            const lines = [
                "Norplay plays HLS recordings produced by Norvale ATSC DVRs.",
                "",
                "Getting started:",
                "  • File ▸ Open... to play an .m3u8 from anywhere on disk",
                "  • File ▸ Show ATSC-3 toggles whether ATSC-3 recordings appear in your "
                    + "libraries, local and remote (these will likely NOT be playable due to DRM "
                    + "and/or Dolby licensing restrictions)",
                "",
                "Keyboard shortcuts:",
                "  • Space — Play / pause",
                "  • ← / → — Seek ±5 seconds",
                "  • ↑ / ↓ — Volume ±5",
                "  • M — Mute",
                "  • F — Toggle fullscreen",
                "  • Esc — Exit fullscreen, or toggle the library overlay",
                "  • F1 — This help",
                "",
                "Library: pick a top-level folder containing your Norvale recording subdirectories.",
            ]
            compare(part(main, "helpBody").text, lines.join("\n"))
            compare(part(main, "aboutBody").text,
                    "An HLS player for Norvale ATSC recordings.\n\nBuilt with Qt 6 and libvlc.")
            compare(part(main, "versionLabel").text, "Version " + Qt.application.version)
        }

        function test_popupGeometry_data() {
            return [
                {tag: "help, roomy", popup: "helpPopup", width: 1100, height: 900,
                 popupWidth: 560, shorter: false},
                {tag: "help, narrow", popup: "helpPopup", width: 600, height: 900,
                 popupWidth: 536, shorter: false},
                {tag: "help, short", popup: "helpPopup", width: 1100, height: 300,
                 popupWidth: 560, shorter: true},
                {tag: "about, roomy", popup: "aboutPopup", width: 1100, height: 619,
                 popupWidth: 380, shorter: false},
                {tag: "about, narrow", popup: "aboutPopup", width: 400, height: 619,
                 popupWidth: 336, shorter: false},
                {tag: "about, short", popup: "aboutPopup", width: 1100, height: 200,
                 popupWidth: 380, shorter: true},
            ]
        }

        function test_popupGeometry(data) {
            const main = makeMain(data.width, data.height)
            const popup = part(main, data.popup)
            popup.open()
            tryCompare(popup, "opened", true, 1000)

            compare(popup.width, data.popupWidth)
            if (data.shorter) {
                compare(popup.height, data.height - 64)
            } else {
                // Content plus 24 on each side, fully inside the scene.
                verify(popup.height < data.height - 64)
                compare(popup.height, popup.contentItem.contentHeight + 48)
            }
            // Centred in the scene.
            fuzzyCompare(popup.x, (data.width - popup.width) / 2, 1)
            fuzzyCompare(popup.y, (data.height - popup.height) / 2, 1)
            popup.close()
            tryCompare(popup, "visible", false, 1000)
        }
    }
}
