import QtQuick
import Pelora.Card

// Shows a real tooltip below its parent after the pointer has rested on it.
Timer {
    id: tip
    property string text
    property Item target
    property bool shown: false

    interval: 700
    running: shown && text.length > 0
    onTriggered: ViewSupport.showTip(text, target.mapToGlobal(0, target.height + 6))
    onShownChanged: if (!shown) ViewSupport.hideTip()
}
