import QtQuick

Rectangle {
    id: root
    color: "black"
}
