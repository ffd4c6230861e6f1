// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisplayProbe.h"

#include "SharedStrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QLibraryInfo>
#include <QStringList>
#include <algorithm>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using Program::sharedStrings;

namespace {

// The three calls of the X client library that a probe needs, resolved at run time.
struct XcbCalls
{
    xcb_connection_t *(*connect)(const char *display, int *screen) = nullptr;
    int (*hasError)(xcb_connection_t *connection) = nullptr;
    void (*disconnect)(xcb_connection_t *connection) = nullptr;

    bool loaded() const { return connect && hasError && disconnect; }
};

const XcbCalls &xcb()
{
    static const XcbCalls calls = [] {
        XcbCalls resolved;
        QLibrary library(QStringLiteral("xcb"), 1); // never unloaded: connections outlive this
        if (library.load()) {
            resolved.connect = reinterpret_cast<decltype(resolved.connect)>(library.resolve("xcb_connect"));
            resolved.hasError
                = reinterpret_cast<decltype(resolved.hasError)>(library.resolve("xcb_connection_has_error"));
            resolved.disconnect = reinterpret_cast<decltype(resolved.disconnect)>(library.resolve("xcb_disconnect"));
        }
        return resolved;
    }();
    return calls;
}

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

// "xcb:arguments" names the platform xcb.
QString platformName(const QString &choice)
{
    return choice.section(u':', 0, 0);
}

bool isDisplayPlatform(const QString &name)
{
    return name.startsWith(u"xcb") || name.startsWith(u"wayland");
}

// Whether a plugin for the platform lies where Qt looks for one: the folder named for platform
// plugins, the platforms folder below each plugin folder of QT_PLUGIN_PATH, beside the program
// and in Qt's own plugin folder. Qt without the plugin does not fall back, it aborts.
bool pluginInstalled(const QString &name)
{
    QStringList folders;
    if (const QString platformFolder = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH"); !platformFolder.isEmpty())
        folders.append(platformFolder);
    const QStringList pluginFolders = qEnvironmentVariable("QT_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts);
    for (const QString &folder : pluginFolders)
        folders.append(folder + QStringLiteral("/platforms"));
    if (const QString &program = sharedStrings().executableFile; !program.isEmpty())
        folders.append(QFileInfo(program).absolutePath() + QStringLiteral("/platforms"));
    folders.append(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    // libq<name>*.so, compared by hand: a name filter would compile a regular expression.
    const QString prefix = QStringLiteral("libq") + name;
    const auto isPlugin
        = [&prefix](const QString &file) { return file.startsWith(prefix) && file.endsWith(QStringLiteral(".so")); };
    return std::any_of(folders.cbegin(), folders.cend(), [&isPlugin](const QString &folder) {
        const QStringList files = QDir(folder).entryList(QDir::Files);
        return std::any_of(files.cbegin(), files.cend(), isPlugin);
    });
}

} // namespace

DisplayProbe::DisplayProbe(Need need)
{
    const QStringList chosen = qEnvironmentVariable("QT_QPA_PLATFORM").split(u';', Qt::SkipEmptyParts);
    if (!chosen.isEmpty()) {
        // Qt tries the listed platforms in order; one that needs no display always works.
        for (const QString &choice : chosen) {
            const QString name = platformName(choice);
            if (pluginInstalled(name)
                && (!isDisplayPlatform(name) || (name.startsWith(u"xcb") && x11Answers())
                    || (name.startsWith(u"wayland") && waylandAnswers()))) {
                return;
            }
        }
        m_problem = QStringLiteral("no display answers for the platform %1, or its plugin is not installed")
                        .arg(chosen.join(u';'));
        return;
    }
    const QString x11Display = qEnvironmentVariable("DISPLAY");
    const QString waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    QStringList problems;
    bool waylandSession = false;
    bool wayland = false;
    if (!waylandDisplay.isEmpty()) {
        waylandSession = waylandAnswers();
        if (!waylandSession)
            problems.append(QStringLiteral("cannot connect to the Wayland display %1").arg(waylandDisplay));
        else if (!pluginInstalled(QStringLiteral("wayland")))
            problems.append(QStringLiteral("no Qt platform plugin for the Wayland display %1 (Debian's "
                                           "qt6-wayland package installs it)")
                                .arg(waylandDisplay));
        else
            wayland = true;
    }
    bool x11 = false;
    if (!x11Display.isEmpty()) {
        if (!x11Answers())
            problems.append(QStringLiteral("cannot connect to the X display %1").arg(x11Display));
        else if (!pluginInstalled(QStringLiteral("xcb")))
            problems.append(QStringLiteral("no Qt platform plugin for the X display %1").arg(x11Display));
        else
            x11 = true;
    }
    if (need == Need::Announcement && (x11 || (waylandSession && pluginInstalled(QStringLiteral("offscreen"))))) {
        // A popup places itself on X; on Wayland it could not, and goes to the desktop instead.
        qputenv("QT_QPA_PLATFORM", x11 ? "xcb" : "offscreen");
        m_windowless = !x11;
        return;
    }
    if (wayland && x11)
        return;
    if (wayland || x11) {
        // Left to itself Qt may pick the other display, dead or without its plugin, and abort.
        qputenv("QT_QPA_PLATFORM", wayland ? "wayland" : "xcb");
        return;
    }
    m_problem = problems.isEmpty() ? QStringLiteral("no display: neither DISPLAY nor WAYLAND_DISPLAY is set")
                                   : problems.join(QStringLiteral("; "));
}

DisplayProbe::~DisplayProbe()
{
    if (m_x11)
        xcb().disconnect(m_x11);
}

bool DisplayProbe::x11Answers()
{
    if (!xcb().loaded())
        return false;
    if (!m_x11)
        m_x11 = xcb().connect(nullptr, nullptr);
    return xcb().hasError(m_x11) == 0;
}

bool DisplayProbe::waylandAnswers()
{
    return connectsTo(waylandSocket());
}
