// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QString>
#include <chrono>
#include <optional>

struct xcb_connection_t;

// The X server's own screen saver and display power (DPMS), through a connection of its own to
// $DISPLAY: when the screen blanks and goes off after no input, and how long there has been none
// (the MIT-SCREEN-SAVER extension). XCB is thread-safe, so it may be used from any thread.
class AMPORA_BASE_EXPORT X11ScreenSaver
{
public:
    // display empty: $DISPLAY.
    explicit X11ScreenSaver(const QString &display = {});
    ~X11ScreenSaver();
    X11ScreenSaver(const X11ScreenSaver &) = delete;
    X11ScreenSaver &operator=(const X11ScreenSaver &) = delete;

    bool isOpen() const { return m_connection != nullptr; }
    bool hasIdleTime() const { return m_idleTime; }
    // The server and its screen can switch the display off, not only blank it.
    bool hasDpms() const { return m_dpms; }

    // Blanks the screen after seconds without input, and switches it off then where DPMS can;
    // 0 never. Read back from the server.
    Result<> setBlankTimeout(quint32 seconds);
    std::optional<quint32> blankTimeout() const;
    // Time since the last input; none without the extension.
    std::optional<std::chrono::milliseconds> idleTime() const;
    // As if there had been input now: after a wake-up, so idle actions start counting again.
    void resetIdle();

private:
    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    bool m_idleTime = false;
    bool m_dpms = false;
};
