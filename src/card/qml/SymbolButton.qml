import QtQuick

// A borderless button that is only a symbol, centred in a square frame that
// is clickable all over.
PlainButton {
    id: button
    property alias symbol: glyph.name
    property alias tint: glyph.tint
    property alias weight: glyph.weight
    property alias symbolSize: glyph.size
    property real frame: 26

    implicitWidth: frame
    implicitHeight: frame
    contentItem: Item {
        Symbol {
            id: glyph
            anchors.centerIn: parent
        }
    }
}
