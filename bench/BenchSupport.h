// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QUuid>
#include <functional>

// A scheme store file of `plans` plans: the default ones plus copies of the first under shuffled
// names, written in one go. Returns the plans in creation order.
QList<QUuid> buildSchemeStore(const QString &path, int plans);

// The median wall time of `runs` calls, in milliseconds.
double medianMs(int runs, const std::function<void()> &run);
