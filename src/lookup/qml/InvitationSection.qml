pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Pelora.Card
import Pelora.Lookup

// Signed in, before a card: three suggestions, each of which fills the query.
ColumnLayout {
    id: section
    required property PhraseLookupModel lookupModel
    // A suggestion filled the query: the search field should have the keyboard.
    signal searchWanted()

    objectName: "invitationSection"
    spacing: 14

    Eyebrow { text: "A FEW WORDS FOR THE EVERYDAY" }
    RowLayout {
        Layout.fillWidth: true
        spacing: 10
        Repeater {
            model: [
                { title: "At lunch", symbol: "sun.max", phrase: "A bit less spicy" },
                { title: "At work", symbol: "cup.and.saucer", phrase: "Want to grab a coffee?" },
                { title: "Out & about", symbol: "bag", phrase: "Can I pay by card?" }
            ]
            delegate: SuggestionChip {
                id: chip
                required property var modelData
                objectName: "chip:" + modelData.title
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.preferredWidth: 1
                title: modelData.title
                symbol: modelData.symbol
                phrase: modelData.phrase
                onClicked: {
                    section.lookupModel.query = chip.phrase;
                    section.searchWanted();
                }
            }
        }
    }
    InkText {
        text: "Start with a moment. Leave with the words."
        size: 13
        color: Ink.secondary
    }
}
