// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick

// The remote's LED: green for a moment when the box acknowledges a key, red when a key fails.
Rectangle {
    id: led

    readonly property color restColor: "#303030"

    function flash(ok) {
        color = ok ? "#3ec46d" : "#e5484d"
        back.restart()
    }

    width: 8
    height: 8
    radius: 4
    color: restColor
    border.width: 1
    border.color: "#141414"

    Timer {
        id: back
        interval: 300
        onTriggered: led.color = led.restColor
    }
}
