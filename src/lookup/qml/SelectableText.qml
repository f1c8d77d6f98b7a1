import QtQuick

// Read-only text the learner can select and copy.
TextEdit {
    id: text
    property int size: 13
    property real lineSpacing: 0

    readOnly: true
    selectByMouse: true
    wrapMode: TextEdit.Wrap
    color: ink.primary
    selectionColor: Qt.rgba(ink.accent.r, ink.accent.g, ink.accent.b, 0.25)
    selectedTextColor: ink.primary
    font.pixelSize: size
    textFormat: TextEdit.PlainText
    activeFocusOnPress: false
}
