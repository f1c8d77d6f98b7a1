import QtQuick
import Pelora.Card

// A key drawn as a small cap: "esc", "↵".
Rectangle {
    property alias text: label.text
    property alias labelOfParent: label.labelOfParent
    implicitWidth: label.implicitWidth + 12
    implicitHeight: label.implicitHeight + 8
    radius: 5
    color: Qt.rgba(Ink.line.r, Ink.line.g, Ink.line.b, 0.25)
    border.color: Ink.line
    border.width: 0.5

    InkText {
        id: label
        anchors.centerIn: parent
        size: 10
        font.weight: Font.Medium
        color: Ink.secondary
    }
}
