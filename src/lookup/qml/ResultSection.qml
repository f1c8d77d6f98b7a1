pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Pelora.Card

// The card the lookup found: how to say it (with its register), word by
// word, in conversation, a little context, and what else could be said.
// Every text can be selected and copied.
ColumnLayout {
    id: result
    // The card's fields by their JSON names.
    required property var card

    readonly property var words: card.words ?? []
    readonly property var examples: card.usageExamples ?? []
    readonly property var notes: card.notes ?? []
    readonly property var related: card.relatedPhrases ?? []
    readonly property string register: card.register ?? ""

    objectName: "resultSection"
    spacing: 22

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
                color: Qt.rgba(Ink.warm.r, Ink.warm.g, Ink.warm.b, 0.08)
                InkText {
                    id: registerText
                    objectName: "registerText"
                    anchors.centerIn: parent
                    text: result.register.length > 0 ? result.register.charAt(0).toUpperCase() + result.register.slice(1) : ""
                    size: 10
                    font.weight: Font.Medium
                    color: Ink.warm
                }
            }
        }
        SelectableText {
            objectName: "resultMalay"
            Layout.fillWidth: true
            plain: result.card.malay ?? ""
            size: 34
            font.weight: Font.Medium
            font.letterSpacing: -0.7
        }
        SelectableText {
            objectName: "resultEnglish"
            Layout.fillWidth: true
            plain: result.card.english ?? ""
            size: 16
            color: Ink.secondary
        }
        SelectableText {
            Layout.fillWidth: true
            plain: result.card.context ?? ""
            size: 13
            lineSpacing: 4
        }
    }

    Rectangle {
        Layout.fillWidth: true
        implicitHeight: 1
        color: Ink.line
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
                model: result.words
                delegate: Item {
                    id: word
                    required property var modelData
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    implicitHeight: wordCell.implicitHeight
                    Rectangle {
                        width: 2
                        height: parent.height
                        color: Ink.line
                    }
                    ColumnLayout {
                        id: wordCell
                        x: 12
                        width: parent.width - 12
                        spacing: 2
                        SelectableText {
                            Layout.fillWidth: true
                            plain: word.modelData.malay
                            size: 14
                            font.weight: Font.DemiBold
                        }
                        SelectableText {
                            Layout.fillWidth: true
                            plain: word.modelData.english
                            size: 12
                            color: Ink.secondary
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
            model: result.examples
            delegate: Rectangle {
                id: example
                required property var modelData
                Layout.fillWidth: true
                implicitHeight: exampleColumn.implicitHeight + 32
                radius: 12
                color: Qt.rgba(Ink.line.r, Ink.line.g, Ink.line.b, 0.2)
                ColumnLayout {
                    id: exampleColumn
                    x: 16
                    y: 16
                    width: parent.width - 32
                    spacing: 6
                    SelectableText {
                        Layout.fillWidth: true
                        plain: example.modelData.situation
                        size: 10
                        font.weight: Font.Medium
                    }
                    SelectableText {
                        Layout.fillWidth: true
                        plain: example.modelData.malay
                        size: 17
                    }
                    SelectableText {
                        Layout.fillWidth: true
                        plain: example.modelData.english
                        size: 12
                        color: Ink.secondary
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
            model: result.notes
            delegate: SelectableText {
                required property var modelData
                Layout.fillWidth: true
                plain: modelData
                size: 13
                lineSpacing: 4
                color: Ink.secondary
            }
        }
    }

    ColumnLayout {
        objectName: "relatedPhrases"
        Layout.fillWidth: true
        visible: result.related.length > 0
        spacing: 12
        Eyebrow { text: "YOU COULD ALSO SAY" }
        Repeater {
            model: result.related
            delegate: ColumnLayout {
                id: related
                required property var modelData
                Layout.fillWidth: true
                spacing: 2
                SelectableText {
                    Layout.fillWidth: true
                    plain: related.modelData.malay
                    size: 15
                }
                SelectableText {
                    Layout.fillWidth: true
                    plain: related.modelData.english
                    size: 12
                    color: Ink.secondary
                }
            }
        }
    }
}
