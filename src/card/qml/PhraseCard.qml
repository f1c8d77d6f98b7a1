import QtQuick
import Pelora.Card

// The floating card: a compact phrase, an expanded phrase, or a message for
// the library's state. Every gesture goes to the model.
Item {
    id: root
    required property CardModel cardModel

    readonly property bool expanded: cardModel.expanded

    HoverHandler {
        onHoveredChanged: root.cardModel.hover(hovered)
    }

    Rectangle {
        anchors.fill: parent
        radius: root.expanded ? 20 : 16
        color: Ink.paper
        border.color: Ink.line
        border.width: 1
    }

    Loader {
        objectName: "cardLayout"
        anchors.fill: parent
        sourceComponent: root.cardModel.hasPhrase ? (root.expanded ? expandedPhrase : compactPhrase) : messageLayout
    }

    // Loaded by the Loader above. Qt 6.4's Loader cannot make components
    // bound to this file (pragma ComponentBehavior: Bound), so qmllint cannot
    // prove that `root` is in their scope; it is.
    // qmllint disable unqualified
    Component {
        id: compactPhrase
        CompactPhrase { cardModel: root.cardModel }
    }
    Component {
        id: expandedPhrase
        ExpandedPhrase { cardModel: root.cardModel }
    }
    Component {
        id: messageLayout
        MessageCard { cardModel: root.cardModel }
    }
    // qmllint enable unqualified
}
