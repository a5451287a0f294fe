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

    // The network side: the device list, the picked box's recordings, and whether the loaded
    // media is a network recording.
    property bool devicesVisible: false
    property bool remoteLibVisible: false
    property string remoteLibLabel: ""
    property bool playingRemote: remotePlayback?.active ?? false

    readonly property int idleHideMs: 2500

    // Shows the bar; while playing without the settings panel, it hides again after a quiet spell.
    function noteActivity() {
        barVisible = true
        if (playing && !settingsOpen)
            idleTimer.restart()
        else
            idleTimer.stop()
    }

    // Library layers: the local library and the two network views.
    function anyLibraryLayerVisible() {
        return libraryVisible || remoteLibVisible || devicesVisible
    }

    function hideLibraryLayers() {
        libraryVisible = false
        remoteLibVisible = false
        devicesVisible = false
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
        // Over any library layer the pointer stays, the network views' included.
        value: root.fullScreen && root.watching && !root.anyLibraryLayerVisible() && !root.barVisible
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
                // Back to the list a network recording came from, else the local library.
                if (root.playingRemote)
                    root.remoteLibVisible = true
                else
                    root.libraryVisible = true
                root.settingsOpen = false
            }
        }

        function onLocalLibraryRequested() {
            root.devicesVisible = false
            root.remoteLibVisible = false
            if (root.watching)
                root.libraryVisible = true
            root.settingsOpen = false
        }

        // The first opening sweeps; later ones keep the boxes found before.
        function onDevicesRequested() {
            root.devicesVisible = true
            if (remoteDeviceModel.count === 0 && !discoveryService.scanning)
                discoveryService.refresh()
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

        onInfoRequested: {
            if (root.playingRemote)
                root.showDetails(remoteRecordingsModel.recordingForPlayId(remotePlayback.activePlayId))
            else
                root.showDetails(libraryModel.recordingForUrl(bridge.currentMedia))
        }
    }

    // Layer 4: settings panel.
    SettingsPanel {
        id: settingsPanel
        objectName: "settingsPanel"
        anchors.fill: parent
        open: root.settingsOpen
    }

    // Layer 4.5: the boxes on the network.
    DeviceListView {
        id: deviceListLayer
        objectName: "deviceListLayer"
        anchors.fill: parent
        visible: root.devicesVisible

        onCloseRequested: root.devicesVisible = false
        // The device list stays underneath: the recordings' Back returns to it.
        onDeviceActivated: (ip, deviceId, label) => {
            remoteRecordingsModel.load(ip)
            root.remoteLibLabel = label
            root.remoteLibVisible = true
        }
    }

    // Layer 4.6: the picked box's recordings.
    RemoteLibraryView {
        id: remoteLibraryLayer
        objectName: "remoteLibraryLayer"
        anchors.fill: parent
        visible: root.remoteLibVisible
        deviceLabel: root.remoteLibLabel

        onCloseRequested: root.remoteLibVisible = false
        onDetailsRequested: metadata => root.showDetails(metadata)
    }

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

    Connections {
        target: remotePlayback

        function onResumeRequested(name, title, savedSeconds) {
            resumePopup.recordingName = name ? name : ""
            resumePopup.recordingTitle = title ? title : ""
            resumePopup.savedSeconds = savedSeconds
            resumePopup.actionTaken = false
            resumePopup.resumeTarget = remotePlayback
            resumePopup.open()
        }

        // Whatever played before, local or remote, sees its media end first.
        function onPlayReady(url, startSeconds) {
            bridge.stop()
            bridge.openAt(url, startSeconds)
            root.firstFrameSeen = false
            root.libraryVisible = false
            root.remoteLibVisible = false
            root.devicesVisible = false
        }

        // Cleared first, so the same message twice in a row shows for its full time again.
        function onError(message) {
            remoteLibraryLayer.playError = ""
            remoteLibraryLayer.playError = message
        }
    }
}
