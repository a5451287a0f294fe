// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick

// Digits go out as "#" and the digit: one key press each, without an automatic OK.
Grid {
    columns: 3
    columnSpacing: 12
    rowSpacing: 10

    Repeater {
        model: [
            { label: "1", command: "#1" }, { label: "2", command: "#2" },
            { label: "3", command: "#3" }, { label: "4", command: "#4" },
            { label: "5", command: "#5" }, { label: "6", command: "#6" },
            { label: "7", command: "#7" }, { label: "8", command: "#8" },
            { label: "9", command: "#9" }, { label: "\u2022", command: "." },
            { label: "0", command: "#0" }, { label: "", command: "back" }
        ]
        delegate: RemoteButton {
            required property var modelData
            objectName: "key_" + modelData.command
            width: 74
            height: 38
            fontSize: 18
            glyphSize: 20
            text: modelData.label
            glyph: modelData.command === "back" ? Glyphs.back : ""
            keyCommand: modelData.command
        }
    }
}
