import QtQuick

// The brand mark, stretched to fit a square of `size`; decoration only.
Item {
    property real size: 32
    implicitWidth: size
    implicitHeight: size
    Accessible.ignored: true

    Image {
        anchors.fill: parent
        source: "qrc:/pelora/card/images/pelora.png"
        fillMode: Image.PreserveAspectFit
        smooth: true
        mipmap: true
        sourceSize.width: 128
        sourceSize.height: 128
    }
}
