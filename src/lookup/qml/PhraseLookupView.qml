import QtQuick
import QtQuick.Layouts
import "qrc:/pelora/card/qml"

// The lookup window's content: header, search field, one section for the
// lookup's state, and a footer whose actions follow the phase.
FocusScope {
    id: root
    required property QtObject lookupModel
    required property QtObject presentation
    required property string bareDomain
    required property var keyTexts // {save, copy, newPhrase}: key names as this desktop writes them

    // True after the Malay phrase was copied, until the phase changes.
    property bool copied: false
    readonly property bool inputFocused: searchField.activeFocus
    readonly property color warm: Qt.rgba(0.67, 0.34, 0.24, 1.0)

    readonly property string phase: lookupModel.phaseName
    readonly property bool signedIn: lookupModel.signedIn
    readonly property bool busy: lookupModel.busy
    readonly property bool hasCard: lookupModel.hasPhrase
    readonly property var card: lookupModel.phrase
    readonly property bool queryTooLong: lookupModel.trimmedQuery.length > 500

    readonly property string section: !signedIn ? "signedOut"
                                    : phase === "lookingUp" ? "loading"
                                    : hasCard ? "result" : "invitation"
    readonly property string footerLeading: phase === "lookingUp" ? "cancel"
                                          : phase === "saved" ? "saved"
                                          : phase === "saveUncertain" ? "checkLibrary"
                                          : hasCard ? "copy"
                                          : signedIn ? "allowance" : "domain"
    readonly property string footerTrailing: phase === "saving" ? "saving"
                                           : (phase === "saved" || phase === "saveUncertain") ? "newPhrase"
                                           : hasCard ? "save"
                                           : (signedIn && !busy) ? "hint" : "none"

    signal dismissRequested()

    function focusSearch() {
        if (searchField.visible && searchField.enabled)
            searchField.forceActiveFocus();
    }
    function copyPhrase() {
        viewSupport.copyText(root.card.malay);
        root.copied = true;
    }
    function startOver() {
        lookupModel.discard();
        lookupModel.query = "";
        focusSearch();
    }

    Component.onCompleted: Qt.callLater(focusSearch)
    Connections {
        target: root.presentation
        function onFocusRequestChanged() { Qt.callLater(root.focusSearch) }
    }
    Connections {
        target: root.lookupModel
        function onSignedInChanged() {
            if (root.lookupModel.signedIn)
                Qt.callLater(root.focusSearch);
        }
        function onPhaseChanged() {
            root.copied = false;
            if (!root.lookupModel.busy)
                Qt.callLater(root.focusSearch);
        }
    }

    Shortcut {
        sequence: "Escape"
        onActivated: root.dismissRequested()
    }
    Shortcut {
        objectName: "copyShortcut"
        sequence: "Ctrl+Shift+C"
        enabled: root.footerLeading === "copy"
        onActivated: root.copyPhrase()
    }
    Shortcut {
        objectName: "saveShortcut"
        sequence: "Ctrl+S"
        enabled: root.footerTrailing === "save" && root.lookupModel.canSave
        onActivated: root.lookupModel.save()
    }
    Shortcut {
        objectName: "newPhraseShortcut"
        sequence: "Ctrl+N"
        enabled: root.footerTrailing === "newPhrase"
        onActivated: root.startOver()
    }

    Rectangle {
        anchors.fill: parent
        radius: 22
        color: ink.paper
        border.color: ink.line
        border.width: 1
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Header
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.topMargin: 18
            Layout.bottomMargin: 16
            spacing: 9

            Mark { size: 30 }
            Row {
                InkText {
                    id: wordMark
                    text: "pelora"
                    size: 14
                    font.weight: Font.DemiBold
                }
                InkText {
                    anchors.baseline: wordMark.baseline
                    text: "/  a little Malay"
                    size: 12
                }
            }
            InkText {
                text: "PHRASE LOOKUP"
                size: 9
                font.weight: Font.DemiBold
                font.letterSpacing: 1.6
                color: ink.secondary
            }
            Item { Layout.fillWidth: true }
            PlainButton {
                objectName: "closeButton"
                Accessible.name: "Close phrase lookup"
                tip: "Close (Escape)"
                onClicked: root.dismissRequested()
                contentItem: Keycap {
                    text: "esc"
                    labelOfParent: true
                }
            }
        }

        // Search field
        ColumnLayout {
            objectName: "search"
            visible: root.signedIn
            Layout.fillWidth: true
            Layout.leftMargin: 28
            Layout.rightMargin: 28
            Layout.bottomMargin: 22
            spacing: 12

            RowLayout {
                Layout.fillWidth: true
                spacing: 14

                Symbol {
                    name: "magnifyingglass"
                    size: 21
                    weight: "light"
                    tint: ink.accent
                }
                TextInput {
                    id: searchField
                    objectName: "searchField"
                    Layout.fillWidth: true
                    text: root.lookupModel.query
                    onTextEdited: root.lookupModel.query = text
                    onAccepted: root.lookupModel.lookup()
                    enabled: !root.busy
                    font.pixelSize: 25
                    color: ink.primary
                    selectionColor: Qt.rgba(ink.accent.r, ink.accent.g, ink.accent.b, 0.25)
                    selectedTextColor: ink.primary
                    selectByMouse: true
                    clip: true
                    Accessible.name: "Phrase or situation"

                    InkText {
                        objectName: "placeholder"
                        anchors.verticalCenter: parent.verticalCenter
                        visible: searchField.text.length === 0
                        text: "What would you like to say?"
                        size: 25
                        color: Qt.rgba(ink.secondary.r, ink.secondary.g, ink.secondary.b, 0.55)
                    }
                }
                PlainButton {
                    id: lookupButton
                    objectName: "lookupButton"
                    enabled: root.lookupModel.canLookup
                    opacity: 1.0
                    implicitWidth: 36
                    implicitHeight: 36
                    Accessible.name: "Look up phrase"
                    tip: "Look up (Return)"
                    onClicked: root.lookupModel.lookup()
                    background: Rectangle {
                        radius: 10
                        color: lookupButton.enabled ? ink.accent
                                                    : Qt.rgba(ink.line.r, ink.line.g, ink.line.b, 0.4)
                    }
                    contentItem: Item {
                        Symbol {
                            anchors.centerIn: parent
                            name: "arrow.turn.down.left"
                            size: 15
                            weight: "medium"
                            tint: lookupButton.enabled ? ink.paper : ink.secondary
                        }
                    }
                }
            }
            InkText {
                objectName: "hint"
                Layout.fillWidth: true
                size: 11
                text: root.queryTooLong ? "A little shorter, please. Keep it under 500 characters."
                                        : "An English phrase, Malay words, or a moment you have in mind."
                color: root.queryTooLong ? root.warm : ink.secondary
                wrapMode: Text.Wrap
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: ink.line
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

                RowLayout {
                    objectName: "errorLine"
                    visible: root.lookupModel.hasError
                    Layout.fillWidth: true
                    spacing: 8
                    Accessible.role: Accessible.StaticText
                    Accessible.name: "Error: " + root.lookupModel.error

                    Symbol {
                        Layout.alignment: Qt.AlignTop
                        Layout.topMargin: 2
                        name: "exclamationmark.circle"
                        size: 13
                        tint: root.warm
                    }
                    InkText {
                        objectName: "errorText"
                        labelOfParent: true
                        Layout.fillWidth: true
                        text: root.lookupModel.error
                        size: 13
                        color: root.warm
                        wrapMode: Text.Wrap
                    }
                }

                Loader {
                    objectName: "section"
                    Layout.fillWidth: true
                    sourceComponent: root.section === "signedOut" ? signedOutSection
                                   : root.section === "loading" ? loadingSection
                                   : root.section === "result" ? resultSection : invitationSection
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: ink.line
        }

        // Footer
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.topMargin: 12
            Layout.bottomMargin: 12
            Layout.minimumHeight: 34
            spacing: 12

            Loader {
                objectName: "footerLeading"
                sourceComponent: ({
                    cancel: cancelButton, saved: savedLabel, checkLibrary: checkLibraryButton,
                    copy: copyButton, allowance: allowanceNote, domain: domainNote
                })[root.footerLeading]
            }
            Item { Layout.fillWidth: true }
            Loader {
                objectName: "footerTrailing"
                sourceComponent: ({
                    saving: savingLabel, newPhrase: newPhraseButton, save: saveButtons, hint: lookupHint, none: null
                })[root.footerTrailing]
            }
        }
    }

    // Sections

    Component {
        id: signedOutSection
        ColumnLayout {
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
                color: ink.secondary
                wrapMode: Text.Wrap
            }
            ActionButton {
                objectName: "signInButton"
                label: "Sign in to Pelora"
                onClicked: root.lookupModel.signIn()
            }
        }
    }

    Component {
        id: loadingSection
        RowLayout {
            objectName: "loadingSection"
            spacing: 16
            Spinner {
                Layout.alignment: Qt.AlignTop
                Layout.topMargin: 16 + 7
            }
            ColumnLayout {
                Layout.fillWidth: true
                Layout.topMargin: 16
                Layout.bottomMargin: 16
                spacing: 9
                InkText {
                    Layout.fillWidth: true
                    text: "Finding the words…"
                    size: 26
                    wrapMode: Text.Wrap
                }
                InkText {
                    Layout.fillWidth: true
                    text: "A little meaning, a little context. Something you can actually say."
                    size: 13
                    color: ink.secondary
                    wrapMode: Text.Wrap
                }
            }
        }
    }

    Component {
        id: invitationSection
        ColumnLayout {
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
                        required property var modelData
                        objectName: "chip:" + modelData.title
                        Layout.fillWidth: true
                        Layout.fillHeight: true
                        Layout.preferredWidth: 1
                        title: modelData.title
                        symbol: modelData.symbol
                        phrase: modelData.phrase
                        warm: root.warm
                        onClicked: {
                            root.lookupModel.query = phrase;
                            root.focusSearch();
                        }
                    }
                }
            }
            InkText {
                text: "Start with a moment. Leave with the words."
                size: 13
                color: ink.secondary
            }
        }
    }

    Component {
        id: resultSection
        ColumnLayout {
            objectName: "resultSection"
            spacing: 22
            readonly property var words: root.card.words ?? []
            readonly property var examples: root.card.usageExamples ?? []
            readonly property var notes: root.card.notes ?? []
            readonly property var related: root.card.relatedPhrases ?? []
            readonly property string register: root.card.register ?? ""

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 8
                RowLayout {
                    Layout.fillWidth: true
                    Eyebrow { text: "HERE’S HOW TO SAY IT" }
                    Item { Layout.fillWidth: true }
                    Rectangle {
                        objectName: "registerTag"
                        implicitWidth: registerText.implicitWidth + 18
                        implicitHeight: registerText.implicitHeight + 8
                        radius: height / 2
                        color: Qt.rgba(root.warm.r, root.warm.g, root.warm.b, 0.08)
                        InkText {
                            id: registerText
                            objectName: "registerText"
                            anchors.centerIn: parent
                            text: register.length > 0 ? register.charAt(0).toUpperCase() + register.slice(1) : ""
                            size: 10
                            font.weight: Font.Medium
                            color: root.warm
                        }
                    }
                }
                SelectableText {
                    objectName: "resultMalay"
                    Layout.fillWidth: true
                    plain: root.card.malay ?? ""
                    size: 34
                    font.weight: Font.Medium
                    font.letterSpacing: -0.7
                }
                SelectableText {
                    objectName: "resultEnglish"
                    Layout.fillWidth: true
                    plain: root.card.english ?? ""
                    size: 16
                    color: ink.secondary
                }
                SelectableText {
                    Layout.fillWidth: true
                    plain: root.card.context ?? ""
                    size: 13
                    lineSpacing: 4
                }
            }

            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 1
                color: ink.line
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 12
                Eyebrow { text: "WORD BY WORD" }
                GridLayout {
                    Layout.fillWidth: true
                    columns: 2
                    rowSpacing: 16
                    columnSpacing: 16
                    Repeater {
                        model: words
                        delegate: Item {
                            required property var modelData
                            Layout.fillWidth: true
                            Layout.preferredWidth: 1
                            implicitHeight: wordCell.implicitHeight
                            Rectangle {
                                width: 2
                                height: parent.height
                                color: ink.line
                            }
                            ColumnLayout {
                                id: wordCell
                                x: 12
                                width: parent.width - 12
                                spacing: 2
                                SelectableText {
                                    Layout.fillWidth: true
                                    plain: modelData.malay
                                    size: 14
                                    font.weight: Font.DemiBold
                                }
                                SelectableText {
                                    Layout.fillWidth: true
                                    plain: modelData.english
                                    size: 12
                                    color: ink.secondary
                                }
                            }
                        }
                    }
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 12
                Eyebrow { text: "IN CONVERSATION" }
                Repeater {
                    model: examples
                    delegate: Rectangle {
                        required property var modelData
                        Layout.fillWidth: true
                        implicitHeight: exampleColumn.implicitHeight + 32
                        radius: 12
                        color: Qt.rgba(ink.line.r, ink.line.g, ink.line.b, 0.2)
                        ColumnLayout {
                            id: exampleColumn
                            x: 16
                            y: 16
                            width: parent.width - 32
                            spacing: 6
                            SelectableText {
                                Layout.fillWidth: true
                                plain: modelData.situation
                                size: 10
                                font.weight: Font.Medium
                            }
                            SelectableText {
                                Layout.fillWidth: true
                                plain: modelData.malay
                                size: 17
                            }
                            SelectableText {
                                Layout.fillWidth: true
                                plain: modelData.english
                                size: 12
                                color: ink.secondary
                            }
                        }
                    }
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 12
                Eyebrow { text: "A LITTLE CONTEXT" }
                Repeater {
                    model: notes
                    delegate: SelectableText {
                        required property var modelData
                        Layout.fillWidth: true
                        plain: modelData
                        size: 13
                        lineSpacing: 4
                        color: ink.secondary
                    }
                }
            }

            ColumnLayout {
                objectName: "relatedPhrases"
                Layout.fillWidth: true
                visible: related.length > 0
                spacing: 12
                Eyebrow { text: "YOU COULD ALSO SAY" }
                Repeater {
                    model: related
                    delegate: ColumnLayout {
                        required property var modelData
                        Layout.fillWidth: true
                        spacing: 2
                        SelectableText {
                            Layout.fillWidth: true
                            plain: modelData.malay
                            size: 15
                        }
                        SelectableText {
                            Layout.fillWidth: true
                            plain: modelData.english
                            size: 12
                            color: ink.secondary
                        }
                    }
                }
            }
        }
    }

    // Footer, leading part

    Component {
        id: cancelButton
        PlainButton {
            objectName: "cancelButton"
            Accessible.name: "Cancel lookup"
            onClicked: root.lookupModel.cancelLookup()
            contentItem: FooterText {
                text: "Cancel lookup"
                labelOfParent: true
            }
        }
    }
    Component {
        id: savedLabel
        Row {
            objectName: "savedLabel"
            spacing: 6
            Symbol {
                anchors.verticalCenter: parent.verticalCenter
                name: "checkmark.circle.fill"
                size: 11
                tint: ink.accent
            }
            FooterText {
                text: "In your phrasebook"
                color: ink.accent
            }
        }
    }
    Component {
        id: checkLibraryButton
        PlainButton {
            objectName: "checkLibraryButton"
            Accessible.name: "Check my phrasebook"
            onClicked: root.lookupModel.openLibrary()
            contentItem: FooterText {
                text: "Check my phrasebook"
                labelOfParent: true
            }
        }
    }
    Component {
        id: copyButton
        PlainButton {
            objectName: "copyButton"
            Accessible.name: root.copied ? "Copied" : "Copy phrase"
            tip: "Copy Malay phrase (" + root.keyTexts.copy + ")"
            onClicked: root.copyPhrase()
            contentItem: Row {
                spacing: 6
                Symbol {
                    anchors.verticalCenter: parent.verticalCenter
                    name: root.copied ? "checkmark" : "doc.on.doc"
                    size: 11
                    weight: "medium"
                }
                FooterText {
                    objectName: "copyLabel"
                    text: root.copied ? "Copied" : "Copy phrase"
                    labelOfParent: true
                }
            }
        }
    }
    Component {
        id: allowanceNote
        FooterText {
            objectName: "allowanceNote"
            text: "Uses your phrase lookup allowance"
            color: ink.secondary
        }
    }
    Component {
        id: domainNote
        FooterText {
            objectName: "domainNote"
            text: root.bareDomain
            color: ink.secondary
        }
    }

    // Footer, trailing part

    Component {
        id: savingLabel
        Row {
            objectName: "savingLabel"
            spacing: 8
            Spinner {
                anchors.verticalCenter: parent.verticalCenter
                implicitWidth: 13
                implicitHeight: 13
            }
            FooterText { text: "Saving…" }
        }
    }
    Component {
        id: newPhraseButton
        ActionButton {
            objectName: "newPhraseButton"
            label: "New phrase"
            onClicked: root.startOver()
        }
    }
    Component {
        id: saveButtons
        Row {
            spacing: 12
            PlainButton {
                objectName: "discardButton"
                anchors.verticalCenter: parent.verticalCenter
                Accessible.name: "Discard"
                onClicked: {
                    root.lookupModel.discard();
                    root.focusSearch();
                }
                contentItem: FooterText {
                    text: "Discard"
                    labelOfParent: true
                    color: ink.secondary
                }
            }
            ActionButton {
                objectName: "saveButton"
                enabled: root.lookupModel.canSave
                Accessible.name: "Save to phrasebook"
                onClicked: root.lookupModel.save()
                contentItem: Row {
                    spacing: 10
                    InkText {
                        text: "Save to phrasebook"
                        labelOfParent: true
                        size: 12
                        font.weight: Font.Medium
                        color: ink.paper
                    }
                    InkText {
                        text: root.keyTexts.save
                        labelOfParent: true
                        size: 12
                        font.weight: Font.Medium
                        color: ink.paper
                        opacity: 0.65
                    }
                }
            }
        }
    }
    Component {
        id: lookupHint
        Row {
            objectName: "lookupHint"
            spacing: 6
            Keycap { text: "↵" }
            FooterText {
                anchors.verticalCenter: parent.verticalCenter
                text: "Look up"
            }
        }
    }
}
