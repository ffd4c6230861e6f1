#include "DisplayProbe.h"

#include <xcb/xcb.h>

namespace {

bool usesX11()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return platform.startsWith(QStringLiteral("xcb"));
    return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY");
}

} // namespace

QString displayProblem()
{
    if (!usesX11())
        return {};
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (!failed)
        return {};
    return QStringLiteral("cannot connect to the X display %1").arg(qEnvironmentVariable("DISPLAY"));
}
