import QtQuick
import Pelora.Card

// Read-only text the learner can select and copy: drag to select, then
// Ctrl+C, or "Copy" from the right-click menu. Always plain text, shown
// exactly as received; `lineSpacing` (pixels between lines) is set on the
// text's own layout, so no markup is ever involved.
TextEdit {
    id: selectable
    property string plain
    property int size: 13
    property real lineSpacing: 0
    // A press into the text, to select: a window that does not hold the
    // keyboard may want it now, for Ctrl+C.
    signal selecting()

    text: plain
    textFormat: TextEdit.PlainText
    readOnly: true
    selectByMouse: true
    activeFocusOnPress: true
    wrapMode: TextEdit.Wrap
    color: Ink.primary
    selectionColor: Qt.rgba(Ink.accent.r, Ink.accent.g, Ink.accent.b, 0.25)
    selectedTextColor: Ink.primary
    font.pixelSize: size
    Accessible.role: Accessible.StaticText
    Accessible.name: plain
    Accessible.selectableText: true

    // Setting the text lays the document out afresh, without the spacing.
    onTextChanged: ViewSupport.spaceLines(textDocument, lineSpacing)
    onLineSpacingChanged: ViewSupport.spaceLines(textDocument, lineSpacing)
    Component.onCompleted: ViewSupport.spaceLines(textDocument, lineSpacing)

    // The selection, or the whole text when nothing is selected.
    function copySelection() {
        ViewSupport.copyText(selectedText.length > 0 ? selectedText : plain);
    }

    Keys.onPressed: event => {
        if (event.matches(StandardKey.Copy)) {
            copySelection();
            event.accepted = true;
        }
    }

    TapHandler {
        acceptedButtons: Qt.LeftButton
        onPressedChanged: if (pressed) selectable.selecting()
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: eventPoint => menu.popup(eventPoint.position.x, eventPoint.position.y)
    }
    CopyMenu {
        id: menu
        onCopyRequested: selectable.copySelection()
    }
}
