// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "Theme.js" as Theme
import "Recording.js" as Recording

// The recordings of the box the user picked: a click plays one over the network, the download
// button copies it into the local library, the info button shows its details. What the box
// sent, what the ATSC 3.0 switch lets through and how a load ended decide what shows.
Rectangle {
    id: view

    signal closeRequested
    signal detailsRequested(var metadata)

    // The picked box's display title, and the last start error of a network playback (set by
    // the shell; cleared here).
    property string deviceLabel: ""
    property string playError: ""

    // The last load error, and the toast of a download's outcome.
    property string errorText: ""
    property string toastText: ""
    property bool toastError: false

    // The back end the view works with: the scene's objects, unless a test hands it others.
    property var recordingsModel: remoteRecordingsModel
    property var recordingsFilter: remoteRecordingsFilter
    property var playback: remotePlayback
    property var downloader: remoteDownload

    // What the box sent, and what passes the ATSC 3.0 switch. (At exit the back end goes
    // before the scene: bindings then read null objects.)
    readonly property int recCount: recordingsModel?.count ?? 0
    readonly property int visibleCount: recordingsFilter?.count ?? 0
    readonly property bool hiddenByFilter: recCount > 0 && visibleCount === 0
    readonly property bool loading: recordingsModel?.loading ?? false
    readonly property string host: recordingsModel?.host ?? ""

    readonly property int playErrorMs: 6000
    readonly property int toastMs: 5000

    function fmtDuration(secs) {
        return Recording.duration(secs)
    }

    function reload() {
        recordingsModel.load(recordingsModel.host)
    }

    function play(row) {
        playError = ""
        playback.play(recordingsModel.host, row.playId, recordingsModel.instance, row.position,
                      row.name, row.title)
    }

    function showToast(text, isError) {
        toastError = isError
        toastText = text
        toastTimer.restart()
    }

    color: Theme.listSurface
    palette.windowText: Theme.text
    palette.text: Theme.text
    palette.buttonText: Theme.text
    palette.button: Theme.controlFill
    palette.base: Theme.fieldFill

    onPlayErrorChanged: {
        if (playError !== "")
            playErrorTimer.restart()
        else
            playErrorTimer.stop()
    }

    Timer {
        id: playErrorTimer
        interval: view.playErrorMs
        onTriggered: view.playError = ""
    }

    Timer {
        id: toastTimer
        interval: view.toastMs
        onTriggered: view.toastText = ""
    }

    Connections {
        target: view.recordingsModel

        function onLoadFinished(ok, error) {
            view.errorText = ok ? "" : error
        }
    }

    Connections {
        target: view.downloader

        function onFinishedOk(name) {
            view.showToast("Downloaded “%1” to your local library.".arg(name), false)
        }

        function onError(message) {
            view.showToast(message, true)
        }
    }

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
                tooltip: "Back to devices"
                onClicked: view.closeRequested()
            }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 0

                Label {
                    objectName: "deviceTitle"
                    textFormat: Text.PlainText
                    Layout.fillWidth: true
                    text: view.deviceLabel !== "" ? view.deviceLabel : "Recordings"
                    font.pixelSize: 18
                    font.bold: true
                    elide: Text.ElideRight
                }
                Label {
                    objectName: "deviceHost"
                    textFormat: Text.PlainText
                    Layout.fillWidth: true
                    text: view.host
                    visible: text !== ""
                    font.pixelSize: 11
                    opacity: 0.6
                    elide: Text.ElideRight
                }
            }
            BusyIndicator {
                objectName: "headerBusy"
                Layout.preferredWidth: 24
                Layout.preferredHeight: 24
                padding: 0
                running: view.loading
                visible: view.loading
            }
            Button {
                objectName: "refreshButton"
                text: "Refresh"
                enabled: !view.loading
                onClicked: view.reload()
            }
        }
    }

    // The start error of a network playback, under the header.
    Rectangle {
        id: banner
        objectName: "playErrorBanner"
        anchors {
            left: parent.left
            right: parent.right
            top: header.bottom
        }
        height: view.playError !== "" ? 40 : 0
        visible: height > 0
        color: "#5a2020"

        Label {
            objectName: "playErrorText"
            textFormat: Text.PlainText
            anchors {
                left: parent.left
                right: parent.right
                verticalCenter: parent.verticalCenter
                leftMargin: 16
                rightMargin: 16
            }
            text: view.playError
            color: "white"
            font.pixelSize: 13
            elide: Text.ElideRight
        }
    }

    // Loading, and nothing on screen yet.
    ColumnLayout {
        objectName: "loadingBody"
        anchors.centerIn: parent
        spacing: 16
        visible: view.loading && view.visibleCount === 0

        BusyIndicator {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 48
            Layout.preferredHeight: 48
            running: parent.visible
        }
        Label {
            Layout.alignment: Qt.AlignHCenter
            text: "Loading recordings…"
            font.pixelSize: 16
            opacity: 0.8
        }
    }

    // Nothing to show: a failed load, a filter that hides every row, or an empty box.
    ColumnLayout {
        id: emptyBody
        objectName: "emptyBody"
        anchors.centerIn: parent
        width: Math.min(view.width - 80, 460)
        spacing: 12
        visible: !view.loading && view.visibleCount === 0

        readonly property bool failed: view.errorText !== ""
        readonly property bool filtered: !failed && view.hiddenByFilter

        Label {
            objectName: "emptyTitle"
            Layout.alignment: Qt.AlignHCenter
            text: emptyBody.failed ? "Couldn't load recordings" : (emptyBody.filtered ? "No recordings match the current filters" : "No recordings")
            font.pixelSize: 20
            font.bold: true
        }
        Label {
            objectName: "emptyText"
            textFormat: Text.PlainText
            Layout.fillWidth: true
            text: emptyBody.failed ? view.errorText : (emptyBody.filtered ? "Every recording on this device is ATSC-3. Turn on File ▸ Show ATSC-3 to see them." : "This device has no recordings to show.")
            font.pixelSize: 13
            opacity: 0.7
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
        }
        // Reloading cannot help when the filter hides everything.
        Button {
            objectName: "retryButton"
            Layout.alignment: Qt.AlignHCenter
            text: "Retry"
            visible: !emptyBody.filtered
            onClicked: view.reload()
        }
    }

    ListView {
        id: list
        objectName: "recordingList"
        anchors {
            left: parent.left
            right: parent.right
            top: banner.bottom
            topMargin: 4
            bottom: parent.bottom
        }
        visible: view.visibleCount > 0
        model: view.recordingsFilter
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        spacing: 0
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
        }

        delegate: Item {
            id: row

            required property string name
            required property string title
            required property string seasonEpisode
            required property string channel
            required property string description
            required property var recordedAt
            required property int duration
            required property var playId
            required property int position
            required property string posterUrl
            required property string driveBasename
            required property var numBytes

            // Basenames are unique on a box; the download is this row's when they match.
            readonly property bool canDownload: driveBasename !== ""
            readonly property bool downloading: (view.downloader?.active ?? false) && view.downloader.activeBasename === driveBasename

            width: ListView.view.width
            height: 64

            HoverHandler {
                id: rowHover
            }

            Rectangle {
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
                onClicked: view.play(row)
            }

            RowLayout {
                anchors {
                    left: parent.left
                    right: parent.right
                    verticalCenter: parent.verticalCenter
                    leftMargin: 16
                    rightMargin: 16
                }
                spacing: 12

                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 2

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8

                        Label {
                            objectName: "rowName"
                            textFormat: Text.PlainText
                            Layout.fillWidth: true
                            Layout.maximumWidth: Math.ceil(implicitWidth) // layouts snap to whole pixels
                            text: row.name !== "" ? row.name : "(untitled)"
                            font.pixelSize: 16
                            font.bold: true
                            elide: Text.ElideRight
                        }
                        Label {
                            objectName: "rowTitle"
                            textFormat: Text.PlainText
                            Layout.fillWidth: true
                            text: row.title
                            visible: text !== ""
                            font.pixelSize: 14
                            opacity: 0.7
                            elide: Text.ElideRight
                        }
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 12

                        Label {
                            objectName: "rowSeasonEpisode"
                            textFormat: Text.PlainText
                            text: row.seasonEpisode
                            visible: text !== ""
                            font.pixelSize: 12
                            opacity: 0.7
                        }
                        Label {
                            objectName: "rowChannel"
                            textFormat: Text.PlainText
                            text: row.channel
                            visible: text !== ""
                            font.pixelSize: 12
                            opacity: 0.7
                        }
                        Label {
                            objectName: "rowDuration"
                            text: view.fmtDuration(row.duration)
                            visible: text !== ""
                            font.pixelSize: 12
                            opacity: 0.7
                        }
                        Item {
                            Layout.fillWidth: true
                        }
                        Label {
                            objectName: "rowDate"
                            text: row.recordedAt ? Qt.formatDateTime(row.recordedAt, "MMM d, yyyy") : ""
                            visible: row.recordedAt !== undefined && row.recordedAt !== null
                            font.pixelSize: 12
                            opacity: 0.7
                        }
                    }
                }

                // The buttons are declared after the row's click area, so they take their own
                // clicks; clicks on the labels fall through to playing the row.
                Item {
                    objectName: "downloadControl"
                    Layout.preferredWidth: row.downloading ? 132 : 36
                    Layout.preferredHeight: 36

                    IconButton {
                        objectName: "downloadButton"
                        anchors.fill: parent
                        visible: !row.downloading
                        enabled: row.canDownload && !(view.downloader?.active ?? false)
                        font.pixelSize: 18
                        glyph: Glyphs.download
                        tooltip: "Download to local library"
                        onClicked: view.downloader.download(view.host, row.driveBasename, row.numBytes, row.name)
                    }
                    RowLayout {
                        anchors.fill: parent
                        spacing: 6
                        visible: row.downloading

                        ProgressBar {
                            objectName: "downloadProgress"
                            Layout.fillWidth: true
                            Layout.alignment: Qt.AlignVCenter
                            from: 0
                            to: 1
                            value: (view.downloader?.progress ?? 0) / 1000
                        }
                        IconButton {
                            objectName: "cancelDownloadButton"
                            implicitWidth: 30
                            implicitHeight: 30
                            font.pixelSize: 16
                            glyph: Glyphs.cancel
                            tooltip: "Cancel download"
                            onClicked: view.downloader.cancel()
                        }
                    }
                }
                IconButton {
                    objectName: "infoButton"
                    implicitWidth: 36
                    implicitHeight: 36
                    font.pixelSize: 18
                    glyph: Glyphs.info
                    tooltip: "Details"
                    onClicked: view.detailsRequested(Recording.remoteDetails(row))
                }
            }
        }
    }

    // The outcome of a download, over the list at the bottom centre; it moves nothing.
    Rectangle {
        objectName: "toast"
        anchors {
            horizontalCenter: parent.horizontalCenter
            bottom: parent.bottom
            bottomMargin: 24
        }
        height: 40
        radius: 6
        width: Math.min(toastLabel.implicitWidth + 32, view.width - 48)
        visible: view.toastText !== ""
        color: view.toastError ? "#5a2020" : "#1f4d2a"

        Label {
            id: toastLabel
            objectName: "toastText"
            textFormat: Text.PlainText
            anchors {
                left: parent.left
                right: parent.right
                verticalCenter: parent.verticalCenter
                leftMargin: 16
                rightMargin: 16
            }
            text: view.toastText
            color: "white"
            font.pixelSize: 13
            elide: Text.ElideRight
            horizontalAlignment: Text.AlignHCenter
        }
    }
}
