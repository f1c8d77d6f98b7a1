import QtQuick
import Pelora.Card

// With a card: discard it, or save it to the phrasebook.
Row {
    id: buttons
    property bool canSave: false
    property string keys // the shortcut, as this desktop writes it
    signal discardClicked()
    signal saveClicked()

    spacing: 12

    FooterButton {
        objectName: "discardButton"
        anchors.verticalCenter: parent.verticalCenter
        label: "Discard"
        tint: Ink.secondary
        onClicked: buttons.discardClicked()
    }
    ActionButton {
        objectName: "saveButton"
        enabled: buttons.canSave
        Accessible.name: "Save to phrasebook"
        onClicked: buttons.saveClicked()
        contentItem: Row {
            spacing: 10
            InkText {
                text: "Save to phrasebook"
                labelOfParent: true
                size: 12
                font.weight: Font.Medium
                color: Ink.paper
            }
            InkText {
                text: buttons.keys
                labelOfParent: true
                size: 12
                font.weight: Font.Medium
                color: Ink.paper
                opacity: 0.65
            }
        }
    }
}
