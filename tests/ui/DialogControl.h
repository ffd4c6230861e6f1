// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// A dialog's control found by its object name. A name that finds nothing ends the run at once,
// saying which, rather than failing later on a null control.
template <typename T = QWidget> T *control(const QWidget &dialog, const QString &name)
{
    T *found = dialog.findChild<T *>(name);
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return found;
}
