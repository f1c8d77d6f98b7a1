import QtQuick
import Pelora.Card

// After a save: where the phrase went.
Row {
    objectName: "savedLabel"
    spacing: 6

    Symbol {
        anchors.verticalCenter: parent.verticalCenter
        name: "checkmark.circle.fill"
        size: 11
        tint: Ink.accent
    }
    FooterText {
        text: "In your phrasebook"
        color: Ink.accent
    }
}
