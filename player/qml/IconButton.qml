import QtQuick
import QtQuick.Controls

// A flat button showing one icon glyph, always white, with an optional delayed tooltip.
Button {
    id: control

    property string glyph
    property string tooltip: ""

    text: glyph
    font.family: Glyphs.fontFamily
    font.pixelSize: 20
    implicitWidth: 40
    implicitHeight: 32
    padding: 0
    hoverEnabled: true
    // Keys belong to the window's shortcuts: a clicked button must not keep Space for itself.
    focusPolicy: Qt.NoFocus

    contentItem: Text {
        text: control.text
        font: control.font
        color: "white"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        radius: 6
        color: control.down ? "#33ffffff" : (control.hovered ? "#1fffffff" : "transparent")
    }

    ToolTip.visible: hovered && tooltip !== ""
    ToolTip.delay: 500
    ToolTip.text: tooltip
}
