// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11ScreenSaver.h"

#include <cstdlib>
#include <memory>
#include <xcb/dpms.h>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

// The X server keeps the timeout in a signed 16-bit field.
constexpr quint32 kLongestTimeout = 32767;

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> reply(T *raw)
{
    return Reply<T>(raw, &std::free);
}

} // namespace

X11ScreenSaver::X11ScreenSaver(const QString &display)
{
    const QByteArray name = display.toLocal8Bit();
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;

    const xcb_query_extension_reply_t *saver = xcb_get_extension_data(m_connection, &xcb_screensaver_id);
    m_idleTime = saver && saver->present;
    const xcb_query_extension_reply_t *dpms = xcb_get_extension_data(m_connection, &xcb_dpms_id);
    if (dpms && dpms->present) {
        auto capable = reply(xcb_dpms_capable_reply(m_connection, xcb_dpms_capable(m_connection), nullptr));
        m_dpms = capable && capable->capable;
    }
}

X11ScreenSaver::~X11ScreenSaver()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

Result<> X11ScreenSaver::setBlankTimeout(quint32 seconds)
{
    if (!m_connection)
        return failed(u"no X display"_s);
    const auto timeout = qint16(std::min(seconds, kLongestTimeout));
    // Blank rather than draw a pattern, with no cycling; exposures as the server prefers.
    xcb_set_screen_saver(m_connection, timeout, 0, XCB_BLANKING_PREFERRED, XCB_EXPOSURES_DEFAULT);
    if (m_dpms) {
        // Straight to off: standby and suspend stages would only come sooner.
        xcb_dpms_set_timeouts(m_connection, 0, 0, quint16(timeout));
        if (timeout > 0)
            xcb_dpms_enable(m_connection);
    }
    if (blankTimeout() != quint32(timeout))
        return failed(u"the X server did not take the timeout"_s);
    return {};
}

std::optional<quint32> X11ScreenSaver::blankTimeout() const
{
    if (!m_connection)
        return std::nullopt;
    auto saver = reply(xcb_get_screen_saver_reply(m_connection, xcb_get_screen_saver(m_connection), nullptr));
    if (!saver)
        return std::nullopt;
    return saver->timeout;
}

std::optional<std::chrono::milliseconds> X11ScreenSaver::idleTime() const
{
    if (!m_idleTime)
        return std::nullopt;
    auto info = reply(
        xcb_screensaver_query_info_reply(m_connection, xcb_screensaver_query_info(m_connection, m_root), nullptr));
    if (!info)
        return std::nullopt;
    return std::chrono::milliseconds(info->ms_since_user_input);
}

void X11ScreenSaver::resetIdle()
{
    if (!m_connection)
        return;
    xcb_force_screen_saver(m_connection, XCB_SCREEN_SAVER_RESET);
    xcb_flush(m_connection);
}
