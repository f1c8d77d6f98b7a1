import QtQuick
import Pelora.Card

// A borderless button that is only a symbol, centred in a square frame that
// is clickable all over.
PlainButton {
    id: button
    property string symbol
    property color tint: Ink.primary
    property string weight: "regular"
    property real symbolSize: 11
    property real frame: 26

    implicitWidth: frame
    implicitHeight: frame
    contentItem: Item {
        Symbol {
            anchors.centerIn: parent
            name: button.symbol
            tint: button.tint
            weight: button.weight
            size: button.symbolSize
        }
    }
}
