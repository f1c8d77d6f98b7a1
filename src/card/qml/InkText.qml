import QtQuick

// Text in the palette's primary colour, with optional extra space between
// lines (`lineSpacing`, in pixels, added to the font's own line height).
Text {
    id: text
    property real lineSpacing: 0
    property int size: 13
    property bool serif: false

    color: ink.primary
    font.pixelSize: size
    font.family: serif ? "Noto Serif" : Qt.application.font.family
    lineHeightMode: lineSpacing > 0 ? Text.FixedHeight : Text.ProportionalHeight
    lineHeight: lineSpacing > 0 ? metrics.lineSpacing + lineSpacing : 1.0

    FontMetrics {
        id: metrics
        font: text.font
    }
}
