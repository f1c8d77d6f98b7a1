#include "card/quick_renderer.h"

#include <QDir>
#include <QQuickWindow>
#include <xcb/xcb.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

bool environmentSet(const char *name)
{
    return !qEnvironmentVariableIsEmpty(name);
}

bool environmentTrue(const char *name)
{
    const QByteArray value = qgetenv(name).trimmed().toLower();
    return !value.isEmpty() && value != "0" && value != "false" && value != "no";
}

bool hasGpuDevice()
{
    if (!QDir(u"/dev/dri"_s).entryList({u"renderD*"_s, u"card*"_s}, QDir::System).isEmpty())
        return true;
    return QFile::exists(u"/dev/nvidia0"_s);
}

bool serverHasExtension(xcb_connection_t *connection, const char *name)
{
    xcb_query_extension_reply_t *reply = xcb_query_extension_reply(
        connection, xcb_query_extension(connection, uint16_t(std::strlen(name)), name), nullptr);
    const bool present = reply && reply->present;
    free(reply);
    return present;
}

// Asked on a connection of its own, before the application connects.
bool displayRendersDirect()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if ((!platform.isEmpty() && !platform.startsWith("xcb")) || qEnvironmentVariableIsEmpty("DISPLAY"))
        return true; // not X11: leave the choice to Qt
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    bool direct = true;
    if (!xcb_connection_has_error(connection)) {
        direct = false;
        for (const char *extension : {"DRI3", "DRI2", "NV-GLX"})
            direct = direct || serverHasExtension(connection, extension);
    }
    xcb_disconnect(connection);
    return direct;
}

} // namespace

namespace QuickRenderer {

bool prefersSoftware(const Machine &machine)
{
    if (machine.learnerChose)
        return false;
    return machine.forcedSoftwareGL || !machine.gpuDevice || !machine.displayRendersDirect;
}

Machine currentMachine()
{
    Machine machine;
    machine.learnerChose = environmentSet("QT_QUICK_BACKEND") || environmentSet("QSG_RHI_BACKEND");
    machine.forcedSoftwareGL = environmentTrue("LIBGL_ALWAYS_SOFTWARE");
    machine.gpuDevice = hasGpuDevice();
    machine.displayRendersDirect = displayRendersDirect();
    return machine;
}

bool chooseForMachine()
{
    if (!prefersSoftware(currentMachine()))
        return false;
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return true;
}

} // namespace QuickRenderer
