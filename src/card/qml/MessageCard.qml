import QtQuick
import QtQuick.Layouts
import Pelora.Card

// The card for the library's state: a short title, and expanded, a long
// title, the store's status text and an action.
Item {
    id: messageCard
    required property CardModel cardModel

    readonly property bool expanded: cardModel.expanded
    readonly property var message: cardModel.message

    objectName: "messageCard"

    // A tap on the collapsed message expands it; the expanded
    // message ignores taps on its empty area.
    MouseArea {
        objectName: "messageTapArea"
        anchors.fill: parent
        enabled: !messageCard.expanded
        Accessible.role: Accessible.Button
        Accessible.name: "Expand card"
        Accessible.onPressAction: messageCard.cardModel.expand()
        onClicked: messageCard.cardModel.expand()
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: messageCard.expanded ? 22 : 14
        spacing: 20

        RowLayout {
            Layout.fillWidth: true
            spacing: 11

            Mark { size: 32 }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 4
                InkText {
                    text: "PELORA COMPANION"
                    size: 8
                    font.weight: Font.DemiBold
                    font.letterSpacing: 1.5
                    color: Ink.secondary
                }
                InkText {
                    objectName: "shortTitle"
                    Layout.fillWidth: true
                    text: messageCard.message.shortTitle
                    size: 12
                    font.weight: Font.Medium
                    elide: Text.ElideRight
                }
            }
            SymbolButton {
                objectName: "dismissButton"
                symbol: "xmark"
                symbolSize: 11
                tint: Ink.secondary
                Accessible.name: "Dismiss card"
                onClicked: messageCard.cardModel.dismiss()
            }
        }

        InkText {
            objectName: "longTitle"
            Layout.fillWidth: true
            visible: messageCard.expanded
            text: messageCard.message.longTitle
            size: 28
            font.family: "Noto Serif"
            font.weight: Font.Medium
            font.letterSpacing: -0.7
            wrapMode: Text.Wrap
        }
        InkText {
            objectName: "body"
            Layout.fillWidth: true
            visible: messageCard.expanded
            text: messageCard.message.body
            size: 13
            color: Ink.secondary
            lineSpacing: 5
            wrapMode: Text.Wrap
        }
        PlainButton {
            objectName: "actionButton"
            Layout.fillWidth: true
            visible: messageCard.expanded
            Accessible.name: messageCard.message.actionLabel
            padding: 14
            onClicked: messageCard.cardModel.action()
            background: Rectangle {
                radius: 10
                color: Ink.accent
            }
            contentItem: RowLayout {
                InkText {
                    text: messageCard.message.actionLabel
                    labelOfParent: true
                    size: 12
                    font.weight: Font.DemiBold
                    color: "white"
                }
                Item { Layout.fillWidth: true }
                Symbol {
                    name: "arrow.up.right"
                    size: 11
                    tint: "white"
                }
            }
        }
        Item { Layout.fillHeight: true }
    }
}
