import QtQuick

// Read-only text the learner can select and copy. With `lineSpacing` the
// text is laid out as a rich-text block whose lines are that many pixels
// further apart; `plain` is the text either way.
TextEdit {
    id: text
    property string plain
    property int size: 13
    property real lineSpacing: 0

    function escaped(value) {
        return value.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/\n/g, "<br>");
    }

    text: lineSpacing > 0
          ? "<div style=\"-qt-line-height-type: line-distance; line-height: " + lineSpacing + "px\">"
            + escaped(plain) + "</div>"
          : plain
    textFormat: lineSpacing > 0 ? TextEdit.RichText : TextEdit.PlainText
    readOnly: true
    selectByMouse: true
    wrapMode: TextEdit.Wrap
    color: ink.primary
    selectionColor: Qt.rgba(ink.accent.r, ink.accent.g, ink.accent.b, 0.25)
    selectedTextColor: ink.primary
    font.pixelSize: size
    activeFocusOnPress: false
}
