import QtQuick
import Pelora.Card

// Text in the palette's primary colour, with optional extra space between
// lines (`lineSpacing`, in pixels, added to the font's own line height).
// Always plain text: what it shows may come from the web app, and markup in
// it must be shown as typed, never drawn or fetched. A screen reader reads
// the same text, except where it names its parent (`labelOfParent`: a
// button's label, the error line's message), which carries it already.
Text {
    id: inkText
    property real lineSpacing: 0
    property int size: 13
    property bool labelOfParent: false

    textFormat: Text.PlainText
    Accessible.role: Accessible.StaticText
    Accessible.name: text
    Accessible.ignored: labelOfParent || text.length === 0
    color: Ink.primary
    font.pixelSize: size
    lineHeightMode: lineSpacing > 0 ? Text.FixedHeight : Text.ProportionalHeight
    lineHeight: lineSpacing > 0 ? metrics.lineSpacing + lineSpacing : 1.0

    FontMetrics {
        id: metrics
        font: inkText.font
    }
}
