#include "DisplayProbe.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

// The Wayland socket as clients find it: an absolute WAYLAND_DISPLAY, or a name in the runtime
// folder.
QString waylandSocket()
{
    const QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty() || QDir::isAbsolutePath(display))
        return display;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QString() : runtime + u'/' + display;
}

bool connectsTo(const QString &socketPath)
{
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address {};
    if (path.isEmpty() || size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::copy(path.cbegin(), path.cend(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return connected;
}

bool isDisplayPlatform(const QString &name)
{
    return name.startsWith(u"xcb") || name.startsWith(u"wayland");
}

} // namespace

DisplayProbe::DisplayProbe()
{
    const QStringList chosen = qEnvironmentVariable("QT_QPA_PLATFORM").split(u';', Qt::SkipEmptyParts);
    if (!chosen.isEmpty()) {
        // Qt tries the listed platforms in order; one that needs no display always works.
        for (const QString &name : chosen) {
            if (!isDisplayPlatform(name) || (name.startsWith(u"xcb") && x11Answers())
                || (name.startsWith(u"wayland") && waylandAnswers())) {
                return;
            }
        }
        m_problem = QStringLiteral("no display answers for the platform %1").arg(chosen.join(u';'));
        return;
    }
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && waylandAnswers();
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY") && x11Answers();
    if (wayland && x11)
        return;
    if (wayland || x11) {
        // Left to itself Qt may pick the other, dead display and abort.
        qputenv("QT_QPA_PLATFORM", wayland ? "wayland;xcb" : "xcb");
        return;
    }
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        m_problem = QStringLiteral("cannot connect to the X display %1").arg(qEnvironmentVariable("DISPLAY"));
    else if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        m_problem
            = QStringLiteral("cannot connect to the Wayland display %1").arg(qEnvironmentVariable("WAYLAND_DISPLAY"));
    else
        m_problem = QStringLiteral("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
}

DisplayProbe::~DisplayProbe()
{
    if (m_x11)
        xcb_disconnect(m_x11);
}

bool DisplayProbe::x11Answers()
{
    if (!m_x11)
        m_x11 = xcb_connect(nullptr, nullptr);
    return xcb_connection_has_error(m_x11) == 0;
}

bool DisplayProbe::waylandAnswers()
{
    return connectsTo(waylandSocket());
}
