// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <memory>

struct xcb_connection_t;

// Keys taken for Ampora alone on the X display (the power and sleep keys, which logind is then
// told to leave alone): their presses arrive here, and no other X client sees them. Works on the
// thread that makes it; events come through the event loop, never by polling.
class AMPORA_BASE_EXPORT X11KeyGrab : public QObject
{
    Q_OBJECT
public:
    static constexpr quint32 kPowerOff = 0x1008ff2a; // XF86PowerOff
    static constexpr quint32 kSleep = 0x1008ff2f; // XF86Sleep

    // display empty: $DISPLAY.
    explicit X11KeyGrab(const QString &display = {}, QObject *parent = nullptr);
    ~X11KeyGrab() override;

    bool isOpen() const { return m_connection != nullptr; }
    // False when the keyboard has no such key or another client holds it.
    bool grab(quint32 keysym);
    void ungrab(quint32 keysym);
    bool isGrabbed(quint32 keysym) const { return m_grabbed.contains(keysym); }

Q_SIGNALS:
    void pressed(quint32 keysym);

private:
    QList<quint8> keycodesOf(quint32 keysym) const;
    void readEvents();

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QList<quint32> m_grabbed;
};
