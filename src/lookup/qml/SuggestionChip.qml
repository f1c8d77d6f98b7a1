import QtQuick
import QtQuick.Layouts
import Pelora.Card

// One suggestion: a title with its symbol above the phrase it puts in the query.
PlainButton {
    id: chip
    property string title
    property string symbol
    property string phrase

    implicitHeight: Math.max(52, implicitContentHeight + topPadding + bottomPadding)
    padding: 12
    tip: "Use “" + phrase + "” as your lookup"
    Accessible.name: title + ": " + phrase
    background: Rectangle {
        radius: 10
        color: Qt.rgba(Ink.line.r, Ink.line.g, Ink.line.b, 0.22)
    }
    contentItem: ColumnLayout {
        spacing: 9
        RowLayout {
            spacing: 6
            Layout.alignment: Qt.AlignLeft | Qt.AlignTop
            Symbol {
                name: chip.symbol
                size: 10
                weight: "medium"
                tint: Ink.warm
            }
            InkText {
                text: chip.title
                labelOfParent: true
                size: 10
                font.weight: Font.Medium
                color: Ink.secondary
            }
        }
        InkText {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignLeft | Qt.AlignTop
            text: chip.phrase
            labelOfParent: true
            size: 12
            font.weight: Font.Medium
            wrapMode: Text.Wrap
        }
        Item { Layout.fillHeight: true }
    }
}
