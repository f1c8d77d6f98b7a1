import QtQuick
import QtQuick.Layouts
import Pelora.Card

// The collapsed card: the brand mark and the Malay, one line; a click expands it.
PlainButton {
    id: compact
    required property CardModel cardModel
    readonly property var phrase: cardModel.phrase

    objectName: "compactCard"
    Accessible.name: (phrase.malay ?? "") + ". Expand phrase card"
    tip: "Hover to discover the meaning"
    leftPadding: 14
    rightPadding: 14
    onClicked: cardModel.expand()

    contentItem: RowLayout {
        spacing: 11

        Mark { size: 32 }

        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true

            InkText {
                text: "A LITTLE MALAY"
                labelOfParent: true
                size: 8
                font.weight: Font.DemiBold
                font.letterSpacing: 1.6
                color: Ink.secondary
            }
            InkText {
                objectName: "compactMalay"
                Layout.fillWidth: true
                text: compact.phrase.malay ?? ""
                labelOfParent: true
                size: 13
                font.weight: Font.Medium
                maximumLineCount: 1
                elide: Text.ElideRight
            }
        }

        Symbol {
            name: "arrow.up.left.and.arrow.down.right"
            size: 9
            weight: "medium"
            tint: Ink.secondary
        }
    }
}
