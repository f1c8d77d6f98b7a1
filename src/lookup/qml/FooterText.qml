import QtQuick
import Pelora.Card

// The footer's text: size 11, medium.
InkText {
    size: 11
    font.weight: Font.Medium
}
