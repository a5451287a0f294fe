// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import Norplay
import "Recording.js" as Recording

// The whole Norplay scene. Layers, bottom to top in declaration order: video, splash, library,
// controls bar, settings panel, network views, popups.
Item {
    id: root

    property bool firstFrameSeen: false
    property bool settingsOpen: false
    property bool barVisible: true
    property bool libraryVisible: true
    // (At exit the back end goes before the scene: bindings then read a null object.)
    property bool playing: bridge?.playing ?? false
    property bool fullScreen: mainWindow?.fullScreen ?? false
    property bool watching: String(bridge?.currentMedia ?? "") !== ""

    readonly property int idleHideMs: 2500

    // Shows the bar; while playing without the settings panel, it hides again after a quiet spell.
    function noteActivity() {
        barVisible = true
        if (playing && !settingsOpen)
            idleTimer.restart()
        else
            idleTimer.stop()
    }

    // Library layers: the local library here; the network views add theirs.
    function anyLibraryLayerVisible() {
        return libraryVisible
    }

    function hideLibraryLayers() {
        libraryVisible = false
    }

    // The one way to the details popup: library rows, network rows and the bar's info button.
    // Missing keys give empty texts, no date and no poster.
    function showDetails(meta) {
        Recording.fillDetails(detailsPopup, meta)
        detailsPopup.open()
    }

    focus: true

    Timer {
        id: idleTimer
        interval: root.idleHideMs
        repeat: false
        onTriggered: {
            if (root.playing && !root.settingsOpen)
                root.barVisible = false
        }
    }

    onPlayingChanged: noteActivity()

    Binding {
        target: mainWindow
        property: "blankCursor"
        value: root.fullScreen && root.watching && !root.libraryVisible && !root.barVisible
    }

    Connections {
        target: bridge

        function onCurrentMediaChanged() {
            if (bridge.currentMedia.toString() !== "") {
                root.firstFrameSeen = false
                root.libraryVisible = false
            } else {
                root.settingsOpen = false
            }
        }
    }

    Connections {
        target: mainWindow

        function onPointerActivity() {
            root.noteActivity()
        }

        function onSettingsToggleRequested() {
            root.settingsOpen = !root.settingsOpen
            root.noteActivity()
        }

        function onLibraryToggleRequested() {
            if (!root.watching)
                return
            if (root.anyLibraryLayerVisible()) {
                root.hideLibraryLayers()
            } else {
                root.libraryVisible = true
                root.settingsOpen = false
            }
        }

        function onLocalLibraryRequested() {
            // (network layers are hidden here once they exist)
            if (root.watching)
                root.libraryVisible = true
            root.settingsOpen = false
        }

        function onHelpRequested() {
            helpPopup.open()
        }

        function onAboutRequested() {
            aboutPopup.open()
        }
    }

    // Layer 0: black backdrop (the letterbox bars) and the video.
    Rectangle {
        anchors.fill: parent
        color: "black"
    }

    VlcVideoItem {
        id: videoItem
        objectName: "videoItem"
        anchors.fill: parent
        player: bridge
        onFirstFrameReceived: root.firstFrameSeen = true
    }

    // Layer 1: splash over the decoder's warm-up.
    SplashLayer {
        id: splash
        objectName: "splash"
        anchors.fill: parent
        opacity: root.watching && !root.libraryVisible && !root.firstFrameSeen ? 1 : 0
        visible: opacity > 0

        Behavior on opacity {
            NumberAnimation { duration: 200 }
        }
    }

    // Layer 2: the local library.
    LibraryView {
        id: libraryLayer
        objectName: "libraryLayer"
        anchors.fill: parent
        visible: !root.watching || root.libraryVisible

        onDetailsRequested: metadata => root.showDetails(metadata)
        onGenerationRequested: (path, masterUrl, meta) => {
            playlistGenPopup.recordingName = meta && meta.name ? meta.name : ""
            playlistGenPopup.recordingTitle = meta && meta.title ? meta.title : ""
            playlistGenPopup.genState = "running"
            playlistGenPopup.errorText = ""
            playlistGenPopup.pendingMasterUrl = masterUrl
            playlistGenPopup.open()
            playlistGenerator.generate(path)
        }
    }

    // Layer 3: controls bar.
    ControlsBar {
        id: controlsBar
        objectName: "controlsBar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: root.fullScreen ? Math.max(40, (root.width - 1400) / 2) : 0
        anchors.rightMargin: root.fullScreen ? Math.max(40, (root.width - 1400) / 2) : 0
        anchors.bottomMargin: root.fullScreen ? 60 : 0
        height: root.fullScreen ? 80 : 72
        floating: root.fullScreen
        opacity: root.watching && !root.libraryVisible && root.barVisible ? 1 : 0
        visible: opacity > 0

        Behavior on opacity {
            NumberAnimation { duration: 200 }
        }

        onInfoRequested: root.showDetails(libraryModel.recordingForUrl(bridge.currentMedia))
    }

    // Layer 4: settings panel.
    SettingsPanel {
        id: settingsPanel
        objectName: "settingsPanel"
        anchors.fill: parent
        open: root.settingsOpen
    }

    // Layers 4.5 and 4.6: the device list and the network library go here.

    // Layer 5: modal popups.
    DetailsPopup {
        id: detailsPopup
        objectName: "detailsPopup"
    }

    HelpPopup {
        id: helpPopup
        objectName: "helpPopup"
    }

    AboutPopup {
        id: aboutPopup
        objectName: "aboutPopup"
    }

    // Layer 6: resume popup.
    ResumePopup {
        id: resumePopup
        objectName: "resumePopup"
    }

    // Layer 7: playlist generation popup.
    PlaylistGenPopup {
        id: playlistGenPopup
        objectName: "playlistGenPopup"
    }

    Connections {
        target: playlistGenerator

        function onFinished(ok, path, error) {
            if (ok) {
                libraryModel.markPlaylistGenerated(path)
                const masterUrl = playlistGenPopup.pendingMasterUrl
                // Closed first, so the resume popup that play() may open is the only modal.
                playlistGenPopup.close()
                recordingState.play(masterUrl, path)
            } else {
                playlistGenPopup.genState = "error"
                playlistGenPopup.errorText = error
            }
        }
    }

    Connections {
        target: recordingState

        function onResumeRequested(url, savedSeconds) {
            const meta = libraryModel.recordingForUrl(url)
            resumePopup.recordingName = meta.name ? meta.name : ""
            resumePopup.recordingTitle = meta.title ? meta.title : ""
            resumePopup.savedSeconds = savedSeconds
            resumePopup.actionTaken = false
            resumePopup.resumeTarget = recordingState
            resumePopup.open()
        }

        // The single place where a pick in the local library starts playback.
        function onPlayReady(url, startSeconds) {
            bridge.openAt(url, startSeconds)
            root.firstFrameSeen = false
            root.libraryVisible = false
        }
    }
}
