// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

pragma Singleton
import QtQuick

// Icon glyphs of the Material Symbols Rounded font, registered at start-up.
QtObject {
    readonly property string fontFamily: "Material Symbols Rounded"

    readonly property string power: "\ue8ac"
    readonly property string mute: "\ue04f"
    readonly property string back: "\ue166"
    readonly property string arrowUp: "\ue316"
    readonly property string arrowDown: "\ue313"
    readonly property string arrowLeft: "\ue314"
    readonly property string arrowRight: "\ue315"
    readonly property string play: "\ue037"
    readonly property string pause: "\ue034"
    readonly property string settings: "\ue8b8"
}
