// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QString>

struct xcb_connection_t;

// Qt ends the process when its platform plugin cannot reach the display, or when the plugin for
// the display is not installed. Asking the displays first, and looking for the plugin that would
// serve each, turns a dead DISPLAY or WAYLAND_DISPLAY into a message and a clean exit. When the
// environment leaves Qt a choice and only one display can be used, the probe points Qt at that
// one. The X connection is held until the probe goes, so that an X server whose last client just
// left does not reset between the probe and the application's own connection. The X library is
// loaded only when a probe asks X, so a start that needs no display never loads it.
// A start that only announces a switch needs no display of its own: where no X display serves it
// but a Wayland session is up, it runs on the offscreen platform and announces through the
// desktop's notification service, whether or not Qt's Wayland plugin is installed.
class AMPORA_BASE_EXPORT DisplayProbe
{
public:
    enum class Need { Window, Announcement };

    explicit DisplayProbe(Need need = Need::Window);
    ~DisplayProbe();
    DisplayProbe(const DisplayProbe &) = delete;
    DisplayProbe &operator=(const DisplayProbe &) = delete;

    // Empty when a display answers (or the platform needs none, such as offscreen), otherwise
    // why no window can be made.
    const QString &problem() const { return m_problem; }
    // The offscreen platform was chosen for an announcement: popups must go to the desktop.
    bool windowless() const { return m_windowless; }

private:
    bool x11Answers();
    static bool waylandAnswers();

    xcb_connection_t *m_x11 = nullptr;
    QString m_problem;
    bool m_windowless = false;
};
