#pragma once

#include "SystemPowerStatus.h"

#include <QString>

// What the battery notification shows for a power state: texts from the language file and the
// picture number that picks the popup's colour.
struct BatteryPopup
{
    QString title;
    QString body; // one line each for power source, remaining charge and, when known, time left
    int picture = 0;

    // The status word's language key and picture, by the first rule that applies.
    struct State
    {
        QString statusKey;
        int picture = 0;
    };

    static BatteryPopup forStatus(const SystemPowerStatus &status);
    static State stateOf(quint8 batteryFlag, quint8 percent);
    // "Lasts for" with the time in the largest unit that fits, or empty for seconds <= 0.
    static QString lastsForLine(qint32 seconds);
};
