import QtQuick
import QtQuick.Layouts
import Pelora.Card
import Pelora.Lookup

// The footer: a leading part (cancel, copy, where the phrase went, or a
// note) and a trailing part (save, a new phrase, progress, or a hint), both
// following the phase, with the keys of their actions.
RowLayout {
    id: footer
    required property PhraseLookupModel lookupModel
    required property string bareDomain
    required property string saveKeys
    required property string copyKeys
    // True after the Malay phrase was copied, until the phase changes.
    property bool copied: false
    // The search field should have the keyboard again.
    signal searchWanted()

    readonly property int phase: lookupModel.phase
    readonly property bool hasCard: lookupModel.hasPhrase
    readonly property var card: lookupModel.phrase
    readonly property bool saveDone: phase === PhraseLookupModel.Phase.saved
                                     || phase === PhraseLookupModel.Phase.saveUncertain

    function copyPhrase() {
        ViewSupport.copyText(footer.card.malay);
        footer.copied = true;
    }
    function startOver() {
        footer.lookupModel.discard();
        footer.lookupModel.query = "";
        footer.searchWanted();
    }

    spacing: 12

    Connections {
        target: footer.lookupModel
        function onPhaseChanged() { footer.copied = false }
    }

    Shortcut {
        objectName: "copyShortcut"
        sequence: "Ctrl+Shift+C"
        enabled: leading.sourceComponent === copyButton
        onActivated: footer.copyPhrase()
    }
    Shortcut {
        objectName: "saveShortcut"
        sequence: "Ctrl+S"
        enabled: trailing.sourceComponent === saveButtons && footer.lookupModel.canSave
        onActivated: footer.lookupModel.save()
    }
    Shortcut {
        objectName: "newPhraseShortcut"
        sequence: "Ctrl+N"
        enabled: trailing.sourceComponent === newPhraseButton
        onActivated: footer.startOver()
    }

    Loader {
        id: leading
        objectName: "footerLeading"
        sourceComponent: footer.phase === PhraseLookupModel.Phase.lookingUp ? cancelButton
                       : footer.phase === PhraseLookupModel.Phase.saved ? savedLabel
                       : footer.phase === PhraseLookupModel.Phase.saveUncertain ? checkLibraryButton
                       : footer.hasCard ? copyButton
                       : footer.lookupModel.signedIn ? allowanceNote : domainNote
    }
    Item { Layout.fillWidth: true }
    Loader {
        id: trailing
        objectName: "footerTrailing"
        sourceComponent: footer.phase === PhraseLookupModel.Phase.saving ? savingLabel
                       : footer.saveDone ? newPhraseButton
                       : footer.hasCard ? saveButtons
                       : (footer.lookupModel.signedIn && !footer.lookupModel.busy) ? lookupHint : null
    }

    // The parts, loaded by the two Loaders above. Qt 6.4's Loader cannot make
    // components bound to this file (pragma ComponentBehavior: Bound), so
    // the linter cannot prove that `footer` is in their scope; it is.
    // qmllint disable unqualified
    Component {
        id: cancelButton
        FooterButton {
            objectName: "cancelButton"
            label: "Cancel lookup"
            onClicked: footer.lookupModel.cancelLookup()
        }
    }
    Component {
        id: savedLabel
        SavedLabel {}
    }
    Component {
        id: checkLibraryButton
        FooterButton {
            objectName: "checkLibraryButton"
            label: "Check my phrasebook"
            onClicked: footer.lookupModel.openLibrary()
        }
    }
    Component {
        id: copyButton
        CopyButton {
            copied: footer.copied
            keys: footer.copyKeys
            onClicked: footer.copyPhrase()
        }
    }
    Component {
        id: allowanceNote
        FooterText {
            objectName: "allowanceNote"
            text: "Uses your phrase lookup allowance"
            color: Ink.secondary
        }
    }
    Component {
        id: domainNote
        FooterText {
            objectName: "domainNote"
            text: footer.bareDomain
            color: Ink.secondary
        }
    }

    Component {
        id: savingLabel
        SavingLabel {}
    }
    Component {
        id: newPhraseButton
        ActionButton {
            objectName: "newPhraseButton"
            label: "New phrase"
            onClicked: footer.startOver()
        }
    }
    Component {
        id: saveButtons
        SaveButtons {
            canSave: footer.lookupModel.canSave
            keys: footer.saveKeys
            onDiscardClicked: {
                footer.lookupModel.discard();
                footer.searchWanted();
            }
            onSaveClicked: footer.lookupModel.save()
        }
    }
    Component {
        id: lookupHint
        LookupHint {}
    }
    // qmllint enable unqualified
}
