import QtQuick
import QtQuick.Layouts
import Pelora.Card
import Pelora.Lookup

// The lookup window's content: header, search field, one section for the
// lookup's state, and a footer whose parts follow the phase.
FocusScope {
    id: root
    required property PhraseLookupModel lookupModel
    required property LookupPresentation presentation
    required property string bareDomain
    // The keys of saving and copying, as this desktop writes them ("Ctrl+S").
    required property string saveKeys
    required property string copyKeys

    readonly property bool inputFocused: search.inputFocused

    function focusSearch() {
        search.focusInput();
    }
    // Focuses the search field once the current event is handled; requests
    // made meanwhile are one. (qmllint 6.4 cannot tell that Qt.callLater is
    // a function.)
    function focusSearchLater() {
        Qt.callLater(root.focusSearch); // qmllint disable type
    }

    Component.onCompleted: focusSearchLater()
    Connections {
        target: root.presentation
        function onFocusRequestChanged() { root.focusSearchLater() }
    }
    Connections {
        target: root.lookupModel
        function onSignedInChanged() {
            if (root.lookupModel.signedIn)
                root.focusSearchLater();
        }
        function onPhaseChanged() {
            if (!root.lookupModel.busy)
                root.focusSearchLater();
        }
    }

    Shortcut {
        sequence: "Escape"
        onActivated: root.presentation.dismissRequested()
    }

    Rectangle {
        anchors.fill: parent
        radius: 22
        color: Ink.paper
        border.color: Ink.line
        border.width: 1
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        LookupHeader {
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.topMargin: 18
            Layout.bottomMargin: 16
            onCloseRequested: root.presentation.dismissRequested()
        }

        SearchField {
            id: search
            lookupModel: root.lookupModel
            visible: root.lookupModel.signedIn
            Layout.fillWidth: true
            Layout.leftMargin: 28
            Layout.rightMargin: 28
            Layout.bottomMargin: 22
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Ink.line
        }

        Flickable {
            id: scroller
            objectName: "content"
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: width
            contentHeight: content.implicitHeight + 48
            boundsBehavior: Flickable.StopAtBounds
            clip: true

            ColumnLayout {
                id: content
                x: 28
                y: 24
                width: scroller.width - 56
                spacing: 16

                ErrorLine {
                    message: root.lookupModel.error
                    visible: root.lookupModel.hasError
                    Layout.fillWidth: true
                }

                Loader {
                    objectName: "section"
                    Layout.fillWidth: true
                    sourceComponent: !root.lookupModel.signedIn ? signedOutSection
                                   : root.lookupModel.phase === PhraseLookupModel.Phase.lookingUp ? loadingSection
                                   : root.lookupModel.hasPhrase ? resultSection : invitationSection
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Ink.line
        }

        LookupFooter {
            lookupModel: root.lookupModel
            bareDomain: root.bareDomain
            saveKeys: root.saveKeys
            copyKeys: root.copyKeys
            onSearchWanted: root.focusSearch()
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.topMargin: 12
            Layout.bottomMargin: 12
            Layout.minimumHeight: 34
        }
    }

    // The sections, loaded by the Loader above. Qt 6.4's Loader cannot make
    // components bound to this file (pragma ComponentBehavior: Bound), so
    // the linter cannot prove that `root` is in their scope; it is.
    // qmllint disable unqualified
    Component {
        id: signedOutSection
        SignedOutSection { lookupModel: root.lookupModel }
    }
    Component {
        id: loadingSection
        LoadingSection {}
    }
    Component {
        id: resultSection
        ResultSection { card: root.lookupModel.phrase }
    }
    Component {
        id: invitationSection
        InvitationSection {
            lookupModel: root.lookupModel
            onSearchWanted: root.focusSearch()
        }
    }
    // qmllint enable unqualified
}
