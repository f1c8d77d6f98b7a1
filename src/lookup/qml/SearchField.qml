import QtQuick
import QtQuick.Layouts
import Pelora.Card
import Pelora.Lookup

// The query: a one-line field, the lookup button, and a hint below that
// turns into a warning when the query is too long to look up.
ColumnLayout {
    id: search
    required property PhraseLookupModel lookupModel
    readonly property bool inputFocused: searchField.activeFocus

    // Puts the keyboard into the field, unless the field is hidden or busy.
    function focusInput() {
        if (searchField.visible && searchField.enabled)
            searchField.forceActiveFocus();
    }

    objectName: "search"
    spacing: 12

    RowLayout {
        Layout.fillWidth: true
        spacing: 14

        Symbol {
            name: "magnifyingglass"
            size: 21
            weight: "light"
            tint: Ink.accent
        }
        TextInput {
            id: searchField
            objectName: "searchField"
            Layout.fillWidth: true
            text: search.lookupModel.query
            onTextEdited: search.lookupModel.query = text
            onAccepted: search.lookupModel.lookup()
            enabled: !search.lookupModel.busy
            font.pixelSize: 25
            color: Ink.primary
            selectionColor: Qt.rgba(Ink.accent.r, Ink.accent.g, Ink.accent.b, 0.25)
            selectedTextColor: Ink.primary
            selectByMouse: true
            clip: true
            Accessible.name: "Phrase or situation"

            InkText {
                objectName: "placeholder"
                anchors.verticalCenter: parent.verticalCenter
                visible: searchField.text.length === 0
                text: "What would you like to say?"
                size: 25
                color: Qt.rgba(Ink.secondary.r, Ink.secondary.g, Ink.secondary.b, 0.55)
            }
        }
        PlainButton {
            id: lookupButton
            objectName: "lookupButton"
            enabled: search.lookupModel.canLookup
            opacity: 1.0
            implicitWidth: 36
            implicitHeight: 36
            Accessible.name: "Look up phrase"
            tip: "Look up (Return)"
            onClicked: search.lookupModel.lookup()
            background: Rectangle {
                radius: 10
                color: lookupButton.enabled ? Ink.accent : Qt.rgba(Ink.line.r, Ink.line.g, Ink.line.b, 0.4)
            }
            contentItem: Item {
                Symbol {
                    anchors.centerIn: parent
                    name: "arrow.turn.down.left"
                    size: 15
                    weight: "medium"
                    tint: lookupButton.enabled ? Ink.paper : Ink.secondary
                }
            }
        }
    }
    InkText {
        objectName: "hint"
        Layout.fillWidth: true
        size: 11
        text: search.lookupModel.queryTooLong
              ? "A little shorter, please. Keep it under " + search.lookupModel.maxQueryLength + " characters."
              : "An English phrase, Malay words, or a moment you have in mind."
        color: search.lookupModel.queryTooLong ? Ink.warm : Ink.secondary
        wrapMode: Text.Wrap
    }
}
