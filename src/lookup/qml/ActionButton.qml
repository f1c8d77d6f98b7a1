import QtQuick
import Pelora.Card

// The lookup view's primary button: paper-coloured label on the accent colour.
PlainButton {
    id: button
    property string label

    leftPadding: 14
    rightPadding: 14
    topPadding: 9
    bottomPadding: 9
    opacity: enabled ? 1.0 : 0.5
    Accessible.name: label
    background: Rectangle {
        radius: 9
        color: Ink.accent
        opacity: button.pressed ? 0.8 : 1.0
    }
    contentItem: InkText {
        text: button.label
        labelOfParent: true
        size: 12
        font.weight: Font.Medium
        color: Ink.paper
    }
}
