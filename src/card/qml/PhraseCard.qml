import QtQuick
import QtQuick.Layouts

// The floating card: a compact phrase, an expanded phrase, or a message for
// the library's state. Every gesture goes to the model's callbacks.
Item {
    id: root
    required property QtObject cardModel

    readonly property bool expanded: cardModel.expanded
    readonly property bool hasPhrase: cardModel.hasPhrase
    readonly property var phrase: cardModel.phrase
    readonly property var message: cardModel.message
    readonly property string layout: hasPhrase ? (expanded ? "expandedPhrase" : "compactPhrase") : "message"

    HoverHandler {
        onHoveredChanged: root.cardModel.hover(hovered)
    }

    Rectangle {
        anchors.fill: parent
        radius: root.expanded ? 20 : 16
        color: ink.paper
        border.color: ink.line
        border.width: 1
    }

    Loader {
        objectName: "cardLayout"
        anchors.fill: parent
        sourceComponent: root.hasPhrase ? (root.expanded ? expandedPhrase : compactPhrase) : messageLayout
    }

    Component {
        id: compactPhrase

        PlainButton {
            objectName: "compactCard"
            Accessible.name: (root.phrase.malay ?? "") + ". Expand phrase card"
            tip: "Hover to discover the meaning"
            leftPadding: 14
            rightPadding: 14
            onClicked: root.cardModel.expand()

            contentItem: RowLayout {
                spacing: 11

                Mark { size: 32 }

                ColumnLayout {
                    spacing: 4
                    Layout.fillWidth: true

                    InkText {
                        text: "A LITTLE MALAY"
                        labelOfParent: true
                        size: 8
                        font.weight: Font.DemiBold
                        font.letterSpacing: 1.6
                        color: ink.secondary
                    }
                    InkText {
                        objectName: "compactMalay"
                        Layout.fillWidth: true
                        text: root.phrase.malay ?? ""
                        labelOfParent: true
                        size: 13
                        font.weight: Font.Medium
                        maximumLineCount: 1
                        elide: Text.ElideRight
                    }
                }

                Symbol {
                    name: "arrow.up.left.and.arrow.down.right"
                    size: 9
                    weight: "medium"
                    tint: ink.secondary
                }
            }
        }
    }

    Component {
        id: expandedPhrase

        Item {
            objectName: "expandedCard"
            readonly property var words: root.phrase.words ?? []
            readonly property var examples: root.phrase.usageExamples ?? []
            readonly property var notes: root.phrase.notes ?? []

            Shortcut {
                sequence: "Escape"
                onActivated: root.cardModel.dismiss()
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
                        color: ink.secondary
                    }
                    Item { Layout.fillWidth: true }
                    SymbolButton {
                        objectName: "lookupButton"
                        symbol: "magnifyingglass"
                        symbolSize: 13
                        tint: ink.accent
                        Accessible.name: "Look up a phrase"
                        tip: "Look up a phrase"
                        onClicked: root.cardModel.lookup()
                    }
                    SymbolButton {
                        objectName: "dismissButton"
                        symbol: "xmark"
                        symbolSize: 11
                        weight: "medium"
                        Accessible.name: "Dismiss phrase"
                        tip: "Dismiss until the next phrase"
                        onClicked: root.cardModel.dismiss()
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
                            text: (root.phrase.category ?? "").toUpperCase()
                            size: 9
                            font.weight: Font.DemiBold
                            font.letterSpacing: 1.5
                            color: ink.secondary
                            // Empty, it takes no height but keeps the gap below it.
                            Layout.preferredHeight: text.length > 0 ? implicitHeight : 0
                            Layout.bottomMargin: 10
                        }
                        SelectableText {
                            objectName: "expandedMalay"
                            Layout.fillWidth: true
                            plain: root.phrase.malay ?? ""
                            size: 29
                            font.family: "Noto Serif"
                            font.weight: Font.Medium
                            font.letterSpacing: -0.7
                            Layout.bottomMargin: 10
                            onSelecting: root.cardModel.wantKeyboard()
                        }
                        InkText {
                            objectName: "english"
                            Layout.fillWidth: true
                            text: root.phrase.english ?? ""
                            size: 14
                            color: ink.secondary
                            wrapMode: Text.Wrap
                        }
                        GridLayout {
                            objectName: "wordGrid"
                            Layout.fillWidth: true
                            Layout.topMargin: 22
                            visible: words.length > 0
                            columns: 2
                            rowSpacing: 14
                            columnSpacing: 14

                            Repeater {
                                model: words
                                delegate: Item {
                                    required property var modelData
                                    Layout.fillWidth: true
                                    Layout.preferredWidth: 1
                                    Layout.alignment: Qt.AlignLeft | Qt.AlignTop
                                    implicitHeight: cell.implicitHeight

                                    Rectangle {
                                        width: 2
                                        height: parent.height
                                        color: ink.line
                                    }
                                    ColumnLayout {
                                        id: cell
                                        x: 9
                                        width: parent.width - 9
                                        spacing: 4
                                        InkText {
                                            Layout.fillWidth: true
                                            text: modelData.malay
                                            size: 12
                                            font.weight: Font.DemiBold
                                            wrapMode: Text.Wrap
                                        }
                                        InkText {
                                            Layout.fillWidth: true
                                            text: modelData.english
                                            size: 10
                                            color: ink.secondary
                                            wrapMode: Text.Wrap
                                        }
                                    }
                                }
                            }
                        }
                        InkText {
                            objectName: "context"
                            Layout.fillWidth: true
                            Layout.topMargin: words.length > 0 ? 18 : 22
                            text: root.phrase.context ?? ""
                            Layout.preferredHeight: text.length > 0 ? implicitHeight : 0
                            size: 12
                            color: ink.secondary
                            lineSpacing: 4
                            wrapMode: Text.Wrap
                        }
                        InkText {
                            objectName: "conversationLabel"
                            Layout.topMargin: 22
                            visible: examples.length > 0
                            text: "IN CONVERSATION"
                            size: 9
                            font.weight: Font.DemiBold
                            font.letterSpacing: 1.4
                            color: ink.secondary
                        }
                        InkText {
                            objectName: "exampleMalay"
                            Layout.fillWidth: true
                            Layout.topMargin: 8
                            visible: examples.length > 0
                            text: examples.length > 0 ? examples[0].malay : ""
                            size: 14
                            font.weight: Font.Medium
                            wrapMode: Text.Wrap
                        }
                        InkText {
                            objectName: "exampleEnglish"
                            Layout.fillWidth: true
                            Layout.topMargin: 4
                            visible: examples.length > 0
                            text: examples.length > 0 ? examples[0].english : ""
                            size: 12
                            color: ink.secondary
                            wrapMode: Text.Wrap
                        }
                        InkText {
                            objectName: "note"
                            Layout.fillWidth: true
                            Layout.topMargin: 16
                            visible: notes.length > 0
                            text: notes.length > 0 ? notes[0] : ""
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
                    color: ink.line
                }

                RowLayout {
                    Layout.fillWidth: true
                    Layout.topMargin: 16

                    PlainButton {
                        objectName: "openButton"
                        Accessible.name: "Open my phrasebook"
                        onClicked: root.cardModel.open()
                        contentItem: Row {
                            spacing: 6
                            InkText {
                                text: "Open my phrasebook"
                                labelOfParent: true
                                size: 11
                                font.weight: Font.DemiBold
                                color: ink.accent
                            }
                            Symbol {
                                anchors.verticalCenter: parent.verticalCenter
                                name: "arrow.up.right"
                                size: 9
                                weight: "semibold"
                                tint: ink.accent
                            }
                        }
                    }
                    Item { Layout.fillWidth: true }
                    PlainButton {
                        objectName: "nextButton"
                        Accessible.name: "Next phrase"
                        onClicked: root.cardModel.next()
                        contentItem: Row {
                            spacing: 5
                            InkText {
                                text: "Next phrase"
                                labelOfParent: true
                                size: 11
                                color: ink.secondary
                            }
                            Symbol {
                                anchors.verticalCenter: parent.verticalCenter
                                name: "arrow.right"
                                size: 9
                                tint: ink.secondary
                            }
                        }
                    }
                }
            }
        }
    }

    Component {
        id: messageLayout

        Item {
            objectName: "messageCard"

            // A tap on the collapsed message expands it; the expanded
            // message ignores taps on its empty area.
            MouseArea {
                objectName: "messageTapArea"
                anchors.fill: parent
                enabled: !root.expanded
                Accessible.role: Accessible.Button
                Accessible.name: "Expand card"
                Accessible.onPressAction: root.cardModel.expand()
                onClicked: root.cardModel.expand()
            }

            ColumnLayout {
                anchors.fill: parent
                anchors.margins: root.expanded ? 22 : 14
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
                            color: ink.secondary
                        }
                        InkText {
                            objectName: "shortTitle"
                            Layout.fillWidth: true
                            text: root.message.shortTitle
                            size: 12
                            font.weight: Font.Medium
                            elide: Text.ElideRight
                        }
                    }
                    SymbolButton {
                        objectName: "dismissButton"
                        symbol: "xmark"
                        symbolSize: 11
                        tint: ink.secondary
                        Accessible.name: "Dismiss card"
                        onClicked: root.cardModel.dismiss()
                    }
                }

                InkText {
                    objectName: "longTitle"
                    Layout.fillWidth: true
                    visible: root.expanded
                    text: root.message.longTitle
                    serif: true
                    size: 28
                    font.weight: Font.Medium
                    font.letterSpacing: -0.7
                    wrapMode: Text.Wrap
                }
                InkText {
                    objectName: "body"
                    Layout.fillWidth: true
                    visible: root.expanded
                    text: root.message.body
                    size: 13
                    color: ink.secondary
                    lineSpacing: 5
                    wrapMode: Text.Wrap
                }
                PlainButton {
                    objectName: "actionButton"
                    Layout.fillWidth: true
                    visible: root.expanded
                    Accessible.name: root.message.actionLabel
                    padding: 14
                    onClicked: root.cardModel.action()
                    background: Rectangle {
                        radius: 10
                        color: ink.accent
                    }
                    contentItem: RowLayout {
                        InkText {
                            text: root.message.actionLabel
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
    }
}
