import QtQuick
import QtQuick.Layouts
import Pelora.Card

// The lookup window's header: the brand, the window's name and the close button.
RowLayout {
    id: header
    signal closeRequested()

    spacing: 9

    Mark { size: 30 }
    Row {
        InkText {
            id: wordMark
            text: "pelora"
            size: 14
            font.weight: Font.DemiBold
        }
        InkText {
            anchors.baseline: wordMark.baseline
            text: "/  a little Malay"
            size: 12
        }
    }
    InkText {
        text: "PHRASE LOOKUP"
        size: 9
        font.weight: Font.DemiBold
        font.letterSpacing: 1.6
        color: Ink.secondary
    }
    Item { Layout.fillWidth: true }
    PlainButton {
        objectName: "closeButton"
        Accessible.name: "Close phrase lookup"
        tip: "Close (Escape)"
        onClicked: header.closeRequested()
        contentItem: Keycap {
            text: "esc"
            labelOfParent: true
        }
    }
}
