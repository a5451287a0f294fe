// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import "Theme.js" as Theme
import "Recording.js" as Recording

// The local library screen: the folder choice, the search field and the list of recordings.
// Picking a row either plays it (through recordingState) or, when the folder has no playlists
// yet, asks the shell to generate them first.
Rectangle {
    id: view

    signal detailsRequested(var metadata)
    signal generationRequested(string path, var masterUrl, var meta)

    // The back end goes before the scene at exit; bindings then read null objects.
    readonly property bool hasLibrary: String(settings?.libraryRoot ?? "") !== ""
    readonly property bool hasRecordings: hasLibrary && (libraryModel?.count ?? 0) > 0
    readonly property bool hasMatches: hasRecordings && (libraryFilter?.count ?? 0) > 0

    // The library root for display: no scheme, and no slash in front of a drive letter.
    readonly property string libraryPath: String(settings?.libraryRoot ?? "").replace(/^file:\/\/(\/(?=[A-Za-z]:))?/, "")

    function fmtDuration(secs) {
        return Recording.duration(secs)
    }

    function metadataOf(row) {
        return Recording.details(row)
    }

    function activate(row) {
        if (row.hasPlaylist)
            recordingState.play(row.masterUrl, row.path)
        else
            view.generationRequested(row.path, row.masterUrl, {
                                         "name": row.name,
                                         "title": row.title
                                     })
    }

    function chooseFolder() {
        folderDialog.currentFolder = settings.libraryRoot
        folderDialog.open()
    }

    color: Theme.listSurface
    palette.windowText: Theme.text
    palette.text: Theme.text
    palette.buttonText: Theme.text
    palette.button: Theme.controlFill
    palette.base: Theme.fieldFill

    // A hidden field must not keep the keyboard, or the playback shortcuts stay suspended.
    onVisibleChanged: {
        if (!visible)
            searchField.focus = false
    }

    FolderDialog {
        id: folderDialog
        objectName: "folderDialog"
        title: "Choose recordings folder"
        // Found at creation only when the view already sits in its window, which it does not
        // when the scene is loaded; without it the built-in dialog has nowhere to show.
        parentWindow: view.Window.window
        onAccepted: settings.libraryRoot = selectedFolder
    }

    Rectangle {
        id: headerBand
        objectName: "headerBand"
        anchors {
            left: parent.left
            right: parent.right
            top: parent.top
        }
        height: view.hasLibrary ? 56 : 0
        visible: view.hasLibrary
        color: Theme.surface

        RowLayout {
            anchors {
                fill: parent
                leftMargin: 16
                rightMargin: 16
            }
            spacing: 12

            Button {
                objectName: "backButton"
                text: "← Back to video"
                visible: String(bridge?.currentMedia ?? "") !== ""
                onClicked: mainWindow.requestToggleLibrary()
            }
            Label {
                text: "Library"
                font.pixelSize: 18
                font.bold: true
            }
            Label {
                objectName: "headerPath"
                textFormat: Text.PlainText
                Layout.fillWidth: true
                text: view.libraryPath
                font.pixelSize: 12
                opacity: 0.6
                elide: Text.ElideMiddle
            }
            Button {
                objectName: "refreshButton"
                text: "Refresh"
                onClicked: libraryModel.refresh()
            }
            Button {
                objectName: "headerChooseButton"
                text: "Choose Folder…"
                onClicked: view.chooseFolder()
            }
        }
    }

    Rectangle {
        id: searchBand
        objectName: "searchBand"
        anchors {
            left: parent.left
            right: parent.right
            top: headerBand.bottom
        }
        height: view.hasRecordings ? 48 : 0
        visible: view.hasRecordings
        color: "#1f1f1f"

        RowLayout {
            anchors {
                left: parent.left
                right: parent.right
                verticalCenter: parent.verticalCenter
                leftMargin: 16
                rightMargin: 16
            }
            spacing: 8

            Label {
                text: "\ue8b6" // search
                font.family: Glyphs.fontFamily
                font.pixelSize: 18
                opacity: 0.6
            }
            TextField {
                id: searchField
                objectName: "searchField"
                Layout.fillWidth: true
                placeholderText: "Search recordings…"
                placeholderTextColor: "#80ffffff"
                onTextChanged: {
                    if (libraryFilter)
                        libraryFilter.filterText = text
                }
                onActiveFocusChanged: {
                    if (mainWindow)
                        mainWindow.textInputFocused = activeFocus
                }
            }
            IconButton {
                objectName: "clearSearchButton"
                implicitWidth: 32
                implicitHeight: 32
                font.pixelSize: 15
                glyph: Glyphs.cancel
                tooltip: "Clear search"
                visible: searchField.text !== ""
                onClicked: searchField.clear()
            }
        }
    }

    // Body 1: no library chosen yet.
    Item {
        objectName: "noLibraryBody"
        anchors.fill: parent
        visible: !view.hasLibrary

        ColumnLayout {
            anchors.centerIn: parent
            width: Math.min(view.width - 80, 480)
            spacing: 16

            Label {
                Layout.alignment: Qt.AlignHCenter
                text: Glyphs.folder
                font.family: Glyphs.fontFamily
                font.pixelSize: 80
                opacity: 0.5
            }
            Label {
                Layout.alignment: Qt.AlignHCenter
                text: "Select Recordings Library"
                font.pixelSize: 22
                font.bold: true
            }
            Label {
                Layout.fillWidth: true
                text: "Choose a folder containing your Norvale recording subdirectories. Each subdirectory should hold an HLS playlist plus the matching sv_metadata.db file."
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
                opacity: 0.7
            }
            Button {
                objectName: "chooseFolderButton"
                Layout.alignment: Qt.AlignHCenter
                text: "Choose Folder…"
                onClicked: view.chooseFolder()
            }
        }
    }

    // Body 2: a library without recordings.
    Item {
        objectName: "emptyLibraryBody"
        anchors {
            left: parent.left
            right: parent.right
            top: headerBand.bottom
            bottom: parent.bottom
        }
        visible: view.hasLibrary && !view.hasRecordings

        ColumnLayout {
            anchors.centerIn: parent
            width: Math.min(view.width - 80, 480)
            spacing: 12

            Label {
                Layout.alignment: Qt.AlignHCenter
                text: "No recordings found"
                font.pixelSize: 20
                font.bold: true
            }
            Label {
                objectName: "emptyLibraryPath"
                textFormat: Text.PlainText
                Layout.fillWidth: true
                text: view.libraryPath
                font.pixelSize: 12
                opacity: 0.6
                horizontalAlignment: Text.AlignHCenter
                elide: Text.ElideMiddle
            }
            Label {
                Layout.fillWidth: true
                text: "Make sure the chosen folder's subdirectories each contain a sv_metadata.db file."
                font.pixelSize: 12
                opacity: 0.6
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
            }
        }
    }

    // Body 3: recordings exist, but the search or the ATSC 3.0 switch hides them all.
    Item {
        objectName: "noMatchBody"
        anchors {
            left: parent.left
            right: parent.right
            top: searchBand.bottom
            bottom: parent.bottom
        }
        visible: view.hasRecordings && !view.hasMatches

        ColumnLayout {
            anchors.centerIn: parent
            width: Math.min(view.width - 80, 480)
            spacing: 12

            Label {
                objectName: "noMatchText"
                textFormat: Text.PlainText
                Layout.fillWidth: true
                text: searchField.text !== "" ? "No recordings match \"%1\"".arg(searchField.text) : "No recordings match the current filters"
                font.pixelSize: 16
                opacity: 0.8
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
            }
            Button {
                objectName: "noMatchClearButton"
                Layout.alignment: Qt.AlignHCenter
                text: "Clear search"
                visible: searchField.text !== ""
                onClicked: searchField.clear()
            }
        }
    }

    // Body 4: the recordings.
    ListView {
        id: list
        objectName: "recordingList"
        anchors {
            left: parent.left
            right: parent.right
            top: searchBand.bottom
            bottom: parent.bottom
        }
        visible: view.hasMatches
        model: libraryFilter
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
            required property var masterUrl
            required property string path
            required property bool hasPlaylist
            required property int duration
            required property var recordedAt
            required property var posterUrl

            width: ListView.view.width
            height: 64

            // The highlight follows the hover handler, not the click area: a MouseArea that
            // becomes visible under the pointer (the list shown again over the video) judges
            // the pointer through the window's global position, which in this widget-hosted
            // scene can be stale, and then stays lit with no leave event to put it out.
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
                id: rowArea
                objectName: "rowArea"
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: view.activate(row)
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
                            text: row.name
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

                // Declared after the row's click area, so it takes its own clicks.
                IconButton {
                    objectName: "infoButton"
                    implicitWidth: 36
                    implicitHeight: 36
                    font.pixelSize: 18
                    glyph: Glyphs.info
                    tooltip: "Details"
                    onClicked: view.detailsRequested(view.metadataOf(row))
                }
            }
        }
    }
}
