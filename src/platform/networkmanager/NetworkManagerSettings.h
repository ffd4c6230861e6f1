// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QVariantMap>

// A saved connection's settings as NetworkManager hands them out (D-Bus a{sa{sv}}): setting name
// ("connection", "802-11-wireless", ...) to that setting's properties. Register it with
// qDBusRegisterMetaType before the first call that carries it.
using NetworkManagerSettings = QMap<QString, QVariantMap>;
