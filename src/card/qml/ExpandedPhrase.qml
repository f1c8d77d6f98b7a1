pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Pelora.Card

// The expanded card: the phrase with its category, English, words, context,
// first example and first note, scrolling between a header (look up,
// dismiss) and a footer (phrasebook, next phrase). Escape dismisses it.
Item {
    id: expanded
    required property CardModel cardModel

    readonly property var phrase: cardModel.phrase
    readonly property var words: phrase.words ?? []
    readonly property var examples: phrase.usageExamples ?? []
    readonly property var notes: phrase.notes ?? []

    objectName: "expandedCard"

    Shortcut {
        sequence: "Escape"
        onActivated: expanded.cardModel.dismiss()
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 22
        spacing: 0

        RowLayout {
            spacing: 8
            Layout.fillWidth: true

            Mark { size: 24 }
            InkText {
                text: "pelora"
                size: 13
                font.weight: Font.DemiBold
            }
            InkText {
                text: "/ a little Malay"
                size: 11
                color: Ink.secondary
            }
            Item { Layout.fillWidth: true }
            SymbolButton {
                objectName: "lookupButton"
                symbol: "magnifyingglass"
                symbolSize: 13
                tint: Ink.accent
                Accessible.name: "Look up a phrase"
                tip: "Look up a phrase"
                onClicked: expanded.cardModel.lookup()
            }
            SymbolButton {
                objectName: "dismissButton"
                symbol: "xmark"
                symbolSize: 11
                weight: "medium"
                Accessible.name: "Dismiss phrase"
                tip: "Dismiss until the next phrase"
                onClicked: expanded.cardModel.dismiss()
            }
        }

        Flickable {
            id: scroller
            objectName: "scroller"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.topMargin: 22
            contentWidth: width
            contentHeight: body.implicitHeight
            boundsBehavior: Flickable.StopAtBounds
            clip: true

            ColumnLayout {
                id: body
                width: scroller.width
                spacing: 0

                InkText {
                    objectName: "category"
                    Layout.fillWidth: true
                    text: (expanded.phrase.category ?? "").toUpperCase()
                    size: 9
                    font.weight: Font.DemiBold
                    font.letterSpacing: 1.5
                    color: Ink.secondary
                    // Empty, it takes no height but keeps the gap below it.
                    Layout.preferredHeight: text.length > 0 ? implicitHeight : 0
                    Layout.bottomMargin: 10
                }
                SelectableText {
                    objectName: "expandedMalay"
                    Layout.fillWidth: true
                    plain: expanded.phrase.malay ?? ""
                    size: 29
                    font.family: "Noto Serif"
                    font.weight: Font.Medium
                    font.letterSpacing: -0.7
                    Layout.bottomMargin: 10
                    onSelecting: expanded.cardModel.wantKeyboard()
                }
                InkText {
                    objectName: "english"
                    Layout.fillWidth: true
                    text: expanded.phrase.english ?? ""
                    size: 14
                    color: Ink.secondary
                    wrapMode: Text.Wrap
                }
                GridLayout {
                    objectName: "wordGrid"
                    Layout.fillWidth: true
                    Layout.topMargin: 22
                    visible: expanded.words.length > 0
                    columns: 2
                    rowSpacing: 14
                    columnSpacing: 14

                    Repeater {
                        model: expanded.words
                        delegate: Item {
                            id: word
                            required property var modelData
                            Layout.fillWidth: true
                            Layout.preferredWidth: 1
                            Layout.alignment: Qt.AlignLeft | Qt.AlignTop
                            implicitHeight: cell.implicitHeight

                            Rectangle {
                                width: 2
                                height: parent.height
                                color: Ink.line
                            }
                            ColumnLayout {
                                id: cell
                                x: 9
                                width: parent.width - 9
                                spacing: 4
                                InkText {
                                    Layout.fillWidth: true
                                    text: word.modelData.malay
                                    size: 12
                                    font.weight: Font.DemiBold
                                    wrapMode: Text.Wrap
                                }
                                InkText {
                                    Layout.fillWidth: true
                                    text: word.modelData.english
                                    size: 10
                                    color: Ink.secondary
                                    wrapMode: Text.Wrap
                                }
                            }
                        }
                    }
                }
                InkText {
                    objectName: "context"
                    Layout.fillWidth: true
                    Layout.topMargin: expanded.words.length > 0 ? 18 : 22
                    text: expanded.phrase.context ?? ""
                    Layout.preferredHeight: text.length > 0 ? implicitHeight : 0
                    size: 12
                    color: Ink.secondary
                    lineSpacing: 4
                    wrapMode: Text.Wrap
                }
                InkText {
                    objectName: "conversationLabel"
                    Layout.topMargin: 22
                    visible: expanded.examples.length > 0
                    text: "IN CONVERSATION"
                    size: 9
                    font.weight: Font.DemiBold
                    font.letterSpacing: 1.4
                    color: Ink.secondary
                }
                InkText {
                    objectName: "exampleMalay"
                    Layout.fillWidth: true
                    Layout.topMargin: 8
                    visible: expanded.examples.length > 0
                    text: expanded.examples.length > 0 ? expanded.examples[0].malay : ""
                    size: 14
                    font.weight: Font.Medium
                    wrapMode: Text.Wrap
                }
                InkText {
                    objectName: "exampleEnglish"
                    Layout.fillWidth: true
                    Layout.topMargin: 4
                    visible: expanded.examples.length > 0
                    text: expanded.examples.length > 0 ? expanded.examples[0].english : ""
                    size: 12
                    color: Ink.secondary
                    wrapMode: Text.Wrap
                }
                InkText {
                    objectName: "note"
                    Layout.fillWidth: true
                    Layout.topMargin: 16
                    visible: expanded.notes.length > 0
                    text: expanded.notes.length > 0 ? expanded.notes[0] : ""
                    size: 11
                    lineSpacing: 3
                    wrapMode: Text.Wrap
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.topMargin: 18
            implicitHeight: 1
            color: Ink.line
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 16

            PlainButton {
                objectName: "openButton"
                Accessible.name: "Open my phrasebook"
                onClicked: expanded.cardModel.open()
                contentItem: Row {
                    spacing: 6
                    InkText {
                        text: "Open my phrasebook"
                        labelOfParent: true
                        size: 11
                        font.weight: Font.DemiBold
                        color: Ink.accent
                    }
                    Symbol {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "arrow.up.right"
                        size: 9
                        weight: "semibold"
                        tint: Ink.accent
                    }
                }
            }
            Item { Layout.fillWidth: true }
            PlainButton {
                objectName: "nextButton"
                Accessible.name: "Next phrase"
                onClicked: expanded.cardModel.next()
                contentItem: Row {
                    spacing: 5
                    InkText {
                        text: "Next phrase"
                        labelOfParent: true
                        size: 11
                        color: Ink.secondary
                    }
                    Symbol {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "arrow.right"
                        size: 9
                        tint: Ink.secondary
                    }
                }
            }
        }
    }
}
