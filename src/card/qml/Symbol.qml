import QtQuick
import QtQuick.Window
import Pelora.Card

// One of the shipped symbols, drawn in a colour and stroke weight at about
// the height of text of the same size.
Item {
    id: symbol
    property string name
    property color tint: Ink.primary
    property string weight: "regular"
    property real size: 11
    readonly property real side: Math.round(size * 1.1)

    implicitWidth: side
    implicitHeight: side
    Accessible.ignored: true

    Image {
        anchors.fill: parent
        sourceSize.width: Math.round(symbol.side * Screen.devicePixelRatio)
        sourceSize.height: Math.round(symbol.side * Screen.devicePixelRatio)
        source: symbol.name.length > 0
                ? "image://symbol/" + symbol.name + "?color=" + encodeURIComponent(String(symbol.tint))
                  + "&weight=" + symbol.weight
                : ""
        smooth: true
    }
}
