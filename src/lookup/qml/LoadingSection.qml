import QtQuick
import QtQuick.Layouts
import Pelora.Card

// While a lookup runs.
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
            color: Ink.secondary
            wrapMode: Text.Wrap
        }
    }
}
