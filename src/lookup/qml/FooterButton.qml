import QtQuick
import Pelora.Card

// A footer action that is only its words: "Cancel lookup", "Discard".
PlainButton {
    id: button
    property string label
    property color tint: Ink.primary

    Accessible.name: label
    contentItem: FooterText {
        text: button.label
        labelOfParent: true
        color: button.tint
    }
}
