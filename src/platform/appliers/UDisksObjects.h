// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusObjectPath>
#include <QMap>
#include <QMetaType>
#include <QVariantMap>

// What UDisks' object manager lists: each object's path, its interfaces and their properties.
using UDisksInterfaces = QMap<QString, QVariantMap>;
using UDisksObjects = QMap<QDBusObjectPath, UDisksInterfaces>;
Q_DECLARE_METATYPE(UDisksObjects)
