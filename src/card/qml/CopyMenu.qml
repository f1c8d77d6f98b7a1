import QtQuick
import QtQuick.Templates as T
import Pelora.Card

// The right-click menu of selectable text: one item, "Copy", in the card's palette.
T.Menu {
    id: menu
    signal copyRequested()

    padding: 4
    implicitWidth: 132
    implicitHeight: contentItem.implicitHeight + topPadding + bottomPadding
    background: Rectangle {
        radius: 8
        color: Ink.paper
        border.color: Ink.line
        border.width: 1
    }
    contentItem: ListView {
        implicitHeight: contentHeight
        model: menu.contentModel
        interactive: false
    }

    T.MenuItem {
        id: copyItem
        objectName: "copyMenuItem"
        text: "Copy"
        implicitWidth: 124
        implicitHeight: 26
        leftPadding: 10
        onTriggered: menu.copyRequested()
        contentItem: InkText {
            text: copyItem.text
            size: 12
            verticalAlignment: Text.AlignVCenter
            labelOfParent: true
        }
        background: Rectangle {
            radius: 5
            color: copyItem.highlighted ? Qt.rgba(Ink.line.r, Ink.line.g, Ink.line.b, 0.6) : "transparent"
        }
    }
}
