// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

import QtQuick

// Covers the decoder's warm-up: the splash picture over black until the first frame shows.
Rectangle {
    color: "black"

    Image {
        anchors.fill: parent
        source: "qrc:/Norvale_Splash.png"
        fillMode: Image.PreserveAspectFit
        smooth: true
        mipmap: true
    }
}
