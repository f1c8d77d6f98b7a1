import QtQuick

// While a save runs.
Row {
    objectName: "savingLabel"
    spacing: 8

    Spinner {
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 13
        implicitHeight: 13
    }
    FooterText { text: "Saving…" }
}
