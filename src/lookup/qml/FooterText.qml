import QtQuick
import "qrc:/pelora/card/qml"

// The footer's text: size 11, medium.
InkText {
    size: 11
    font.weight: Font.Medium
}
