// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "CapabilityReader.h"

#include <QByteArrayView>
#include <QString>

// The capabilities from sysfs (the root being $AMPORA_SYSFS_ROOT or /sys): a power or sleep
// button is an input device under class/input whose capabilities/key has KEY_POWER or KEY_SLEEP,
// a lid one whose capabilities/sw has SW_LID; batteries are the system batteries that
// SysfsBatteryStatusReader counts; display dimming is any device under class/backlight. Only a
// class/input folder that cannot be listed is a failure, with the system's error code; a device
// whose files cannot be read has none of these.
class AMPORA_BASE_EXPORT SysfsCapabilityReader : public CapabilityReader
{
public:
    // sysfsRoot empty: $AMPORA_SYSFS_ROOT, or /sys without it.
    explicit SysfsCapabilityReader(const QString &sysfsRoot = {});

    Result<PlanCapabilities> read() const override;

    // Whether bit is set in a bitmap as the kernel prints it: hexadecimal words of wordBits bits,
    // most significant first, separated by spaces, leading zero words left out. A malformed
    // bitmap has no bit set.
    static bool bitmapHasBit(QByteArrayView text, int bit, int wordBits = kLongBits);

    static constexpr int kLongBits = static_cast<int>(sizeof(long)) * 8;

private:
    QString m_root;
};
