import QtQuick
import Pelora.Card

// Copies the card's Malay; says "Copied" once it has.
PlainButton {
    id: button
    property bool copied: false
    property string keys // the shortcut, as this desktop writes it

    objectName: "copyButton"
    Accessible.name: copied ? "Copied" : "Copy phrase"
    tip: "Copy Malay phrase (" + keys + ")"
    contentItem: Row {
        spacing: 6
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: button.copied ? "checkmark" : "doc.on.doc"
            size: 11
            weight: "medium"
        }
        FooterText {
            objectName: "copyLabel"
            text: button.copied ? "Copied" : "Copy phrase"
            labelOfParent: true
        }
    }
}
