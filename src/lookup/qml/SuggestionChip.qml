import QtQuick
import QtQuick.Layouts
import "qrc:/pelora/card/qml"

// One suggestion: a title with its symbol above the phrase it puts in the query.
PlainButton {
    id: chip
    property string title
    property string symbol
    property string phrase
    property color warm

    implicitHeight: Math.max(52, implicitContentHeight + topPadding + bottomPadding)
    padding: 12
    tip: "Use “" + phrase + "” as your lookup"
    Accessible.name: title + ": " + phrase
    background: Rectangle {
        radius: 10
        color: Qt.rgba(ink.line.r, ink.line.g, ink.line.b, 0.22)
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
                tint: chip.warm
            }
            InkText {
                text: chip.title
                labelOfParent: true
                size: 10
                font.weight: Font.Medium
                color: ink.secondary
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
