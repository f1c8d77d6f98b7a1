#pragma once

// Which renderer draws the card and the lookup window. Where OpenGL would be
// drawn by the CPU anyway (llvmpipe: Xvfb, virtual machines without a GPU,
// LIBGL_ALWAYS_SOFTWARE), Qt Quick's own software renderer draws the same two
// small views with far less memory: no GL context, no shader compiler.
namespace QuickRenderer {

// What decides the choice, gathered from the machine.
struct Machine {
    bool learnerChose = false;         // QT_QUICK_BACKEND or QSG_RHI_BACKEND is set: Qt follows it
    bool forcedSoftwareGL = false;     // LIBGL_ALWAYS_SOFTWARE is set to a true value
    bool gpuDevice = false;            // a /dev/dri or /dev/nvidia device node exists
    bool displayRendersDirect = false; // the X server offers DRI3, DRI2 or NVIDIA's GLX
};

// True when Qt Quick should draw in software on such a machine.
bool prefersSoftware(const Machine &machine);

// The machine this process runs on (asks the X server on a connection of its own).
Machine currentMachine();

// Chooses the renderer for every Qt Quick window; call it before the
// application object exists. Leaves Qt's own choice where the learner set
// one. True when it chose the software renderer.
bool chooseForMachine();

} // namespace QuickRenderer
