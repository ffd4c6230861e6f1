// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "PopupAccent.h"
#include "SystemPowerStatus.h"

#include <QList>
#include <QString>

// What the battery notification shows for a power state: texts from the language file and the
// popup's colour.
struct AMPORA_BASE_EXPORT BatteryPopup
{
    QString title;
    QString body; // one line each for power source, remaining charge and, when known, time left
    PopupAccent accent = PopupAccent::Blue;

    // The status word's language key and colour, by the first rule that applies.
    struct State
    {
        QString statusKey;
        PopupAccent accent = PopupAccent::Blue;
    };

    // One labelled value of the popup.
    struct Line
    {
        QString label;
        QString value;
    };

    static BatteryPopup forStatus(const SystemPowerStatus &status);
    // In this order: status word (the title's), power source, remaining charge ("N/A" when there
    // is no battery or no reading), then time left when known. ampctl prints the same.
    static QList<Line> linesFor(const SystemPowerStatus &status);
    static State stateOf(quint8 batteryFlag, quint8 percent);
    // "1 h 1 min", "59 min", "45 s" (whole units, rounded down), or empty for seconds <= 0.
    static QString durationText(qint32 seconds);
};
