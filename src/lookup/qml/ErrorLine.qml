import QtQuick
import QtQuick.Layouts
import Pelora.Card

// The one error to show, in the warm colour; a screen reader reads it as
// "Error: " and the text.
RowLayout {
    id: errorLine
    property string message

    objectName: "errorLine"
    spacing: 8
    Accessible.role: Accessible.StaticText
    Accessible.name: "Error: " + message

    Symbol {
        Layout.alignment: Qt.AlignTop
        Layout.topMargin: 2
        name: "exclamationmark.circle"
        size: 13
        tint: Ink.warm
    }
    InkText {
        objectName: "errorText"
        labelOfParent: true
        Layout.fillWidth: true
        text: errorLine.message
        size: 13
        color: Ink.warm
        wrapMode: Text.Wrap
    }
}
