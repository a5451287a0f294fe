// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

pragma Singleton
import QtQuick

// Icon glyphs of the Material Symbols Rounded font, registered by the entry routine.
QtObject {
    readonly property string fontFamily: "Material Symbols Rounded"

    readonly property string play: "\ue037"
    readonly property string pause: "\ue034"
    readonly property string volume: "\ue050"
    readonly property string mute: "\ue04f"
    readonly property string settings: "\ue8b8"
    readonly property string openFile: "\ue2c8"
    readonly property string fullScreen: "\ue5d0"
    readonly property string exitFullScreen: "\ue5d1"
    readonly property string cancel: "\ue5cd"
    readonly property string back: "\ue5c4"
    readonly property string folder: "\ue2c7"
    readonly property string info: "\ue88e"
    readonly property string download: "\ue2c4"
}
