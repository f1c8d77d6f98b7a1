import QtQuick

// Signed in with nothing running: Return looks up.
Row {
    objectName: "lookupHint"
    spacing: 6

    Keycap { text: "↵" }
    FooterText {
        anchors.verticalCenter: parent.verticalCenter
        text: "Look up"
    }
}
