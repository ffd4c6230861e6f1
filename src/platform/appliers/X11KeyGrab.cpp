// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11KeyGrab.h"

#include <cstdlib>
#include <xcb/xcb.h>

X11KeyGrab::X11KeyGrab(const QString &display, QObject *parent)
    : QObject(parent)
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
    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &X11KeyGrab::readEvents);
}

X11KeyGrab::~X11KeyGrab()
{
    m_notifier.reset();
    if (m_connection)
        xcb_disconnect(m_connection); // the server drops the grabs with the connection
}

bool X11KeyGrab::grab(quint32 keysym)
{
    if (!m_connection)
        return false;
    if (isGrabbed(keysym))
        return true;
    const QList<quint8> keycodes = keycodesOf(keysym);
    if (keycodes.isEmpty())
        return false;
    for (const quint8 keycode : keycodes) {
        xcb_void_cookie_t cookie = xcb_grab_key_checked(
            m_connection, 1, m_root, XCB_MOD_MASK_ANY, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookie)) {
            std::free(error); // BadAccess: another client has it
            for (const quint8 taken : keycodes)
                xcb_ungrab_key(m_connection, taken, m_root, XCB_MOD_MASK_ANY);
            xcb_flush(m_connection);
            return false;
        }
    }
    m_grabbed.append(keysym);
    readEvents(); // what arrived while waiting for the answers is queued, not on the socket
    return true;
}

void X11KeyGrab::ungrab(quint32 keysym)
{
    if (!m_connection || !m_grabbed.removeAll(keysym))
        return;
    for (const quint8 keycode : keycodesOf(keysym))
        xcb_ungrab_key(m_connection, keycode, m_root, XCB_MOD_MASK_ANY);
    xcb_flush(m_connection);
}

QList<quint8> X11KeyGrab::keycodesOf(quint32 keysym) const
{
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t *mapping = xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, quint8(count)), nullptr);
    QList<quint8> keycodes;
    if (!mapping)
        return keycodes;
    const xcb_keysym_t *symbols = xcb_get_keyboard_mapping_keysyms(mapping);
    const int perKey = mapping->keysyms_per_keycode;
    for (int key = 0; key < count; ++key) {
        for (int level = 0; level < perKey; ++level) {
            if (symbols[key * perKey + level] == keysym) {
                keycodes.append(quint8(setup->min_keycode + key));
                break;
            }
        }
    }
    std::free(mapping);
    return keycodes;
}

void X11KeyGrab::readEvents()
{
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS) {
            const auto *press = reinterpret_cast<xcb_key_press_event_t *>(event);
            for (const quint32 keysym : std::as_const(m_grabbed)) {
                if (keycodesOf(keysym).contains(press->detail))
                    Q_EMIT pressed(keysym);
            }
        }
        std::free(event);
    }
    // The display went away: its socket would report end of file over and over.
    if (xcb_connection_has_error(m_connection))
        m_notifier->setEnabled(false);
}
