import QtQuick
import QtQuick.Templates as T

// A borderless button: only its content shows, the whole box is clickable,
// it never takes keyboard focus, and it may carry a tooltip.
T.AbstractButton {
    id: button
    property string tip

    focusPolicy: Qt.NoFocus
    hoverEnabled: true
    padding: 0
    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    opacity: enabled ? (pressed ? 0.7 : 1.0) : 0.5
    background: Item {}

    HoverTip {
        text: button.tip
        target: button
        shown: button.hovered
    }
}
