// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "DesktopKey.h"
#include "Result.h"

#include <QString>
#include <QVariant>
#include <chrono>
#include <memory>
#include <optional>

// One key of the desktop's settings through GIO's GSettings, in the default schema source. The
// schema and key are looked up before anything else: g_settings_new aborts the process on a schema
// that is not installed, and a key another GNOME release dropped must become a report.
class AMPORA_BASE_EXPORT GSettingsKey : public DesktopKey
{
public:
    GSettingsKey(const QString &schema, const QString &key);
    ~GSettingsKey() override;
    GSettingsKey(GSettingsKey &&other) noexcept;
    GSettingsKey &operator=(GSettingsKey &&other) noexcept;

    QString schema() const { return m_schema; }
    QString key() const override { return m_key; }
    // "gsettings/<schema>/<key>": how the ledger names it.
    QString ledgerKey() const override;
    // What keeps the key from being used ("schema ... is not installed"), or empty.
    QString missing() const override { return m_missing; }

    // The value as g_variant_print shows it: "'suspend'", "300", "true".
    std::optional<QString> read() const override;
    // Whether the key takes a bool, a number or an enum nick (a string) in its own type and the
    // schema's range; gives back the value as read() would show it.
    Result<QString> check(const QVariant &value) const override;
    // Writes a value that check() accepts; gives back what was written as read() shows it.
    Result<QString> write(const QVariant &value) override;

    // Waits until what was written reached the settings backend (dconf commits later), for
    // timeout at most: a dconf service that does not answer would otherwise hold the caller for
    // two D-Bus timeouts of 25 s. A wait that timed out goes on in the background.
    static Result<> sync(std::chrono::milliseconds timeout);

private:
    struct Handles;

    QString m_schema;
    QString m_key;
    QString m_missing;
    std::unique_ptr<Handles> m_handles;
};
