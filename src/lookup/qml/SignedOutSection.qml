import QtQuick
import QtQuick.Layouts
import Pelora.Card
import Pelora.Lookup

// Signed out: what the lookup is for, and the way to sign in.
ColumnLayout {
    id: section
    required property PhraseLookupModel lookupModel

    objectName: "signedOutSection"
    spacing: 16

    InkText {
        Layout.fillWidth: true
        text: "Your Malay, a little closer."
        size: 30
        wrapMode: Text.Wrap
    }
    InkText {
        Layout.fillWidth: true
        text: "Find the words for your everyday. Sign in to look up a phrase and keep it in your phrasebook."
        size: 14
        lineSpacing: 4
        color: Ink.secondary
        wrapMode: Text.Wrap
    }
    ActionButton {
        objectName: "signInButton"
        label: "Sign in to Pelora"
        onClicked: section.lookupModel.signIn()
    }
}
