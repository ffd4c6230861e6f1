// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QString>
#include <QVariant>
#include <optional>

// One key of a desktop's own settings store (GSettings, xfconf): what KeyBatch writes, reads back
// and records. A key that is not there says why in missing() and is never written.
class AMPORA_BASE_EXPORT DesktopKey
{
public:
    virtual ~DesktopKey() = default;

    // The key's own name, for the user: "power-button-action".
    virtual QString key() const = 0;
    // How the ledger names it: "gsettings/<schema>/<key>", "xfconf/<channel><property>".
    virtual QString ledgerKey() const = 0;
    // What keeps the key from being used, or empty.
    virtual QString missing() const = 0;
    // The value as the store shows it ("'suspend'", "300", "true"); none when it cannot be read.
    virtual std::optional<QString> read() const = 0;
    // Whether the key takes the value; gives back the value as read() would show it.
    virtual Result<QString> check(const QVariant &value) const = 0;
    // Writes a value that check() accepts; gives back what was written as read() shows it.
    virtual Result<QString> write(const QVariant &value) = 0;
};
