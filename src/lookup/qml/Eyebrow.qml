import QtQuick
import Pelora.Card

// A section heading: small, semibold, widely spaced capitals.
InkText {
    size: 9
    font.weight: Font.DemiBold
    font.letterSpacing: 1.5
    color: Ink.secondary
}
