import QtQuick
import Pelora.Card

// A small indeterminate progress spinner: a three-quarter ring that turns.
Item {
    id: spinner
    property color tint: Ink.secondary
    implicitWidth: 16
    implicitHeight: 16
    Accessible.role: Accessible.ProgressBar
    Accessible.name: "In progress"

    Canvas {
        id: ring
        anchors.fill: parent
        onPaint: {
            const context = getContext("2d");
            context.reset();
            context.lineWidth = 2;
            context.lineCap = "round";
            context.strokeStyle = spinner.tint;
            context.beginPath();
            context.arc(width / 2, height / 2, width / 2 - 1.5, 0, Math.PI * 1.5);
            context.stroke();
        }
        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 900
            loops: Animation.Infinite
            running: spinner.visible
        }
    }
}
