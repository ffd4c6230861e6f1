// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlanApplier.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class TestEnvironment;

// GNOME's own schemas from Debian's packages (gsettings-desktop-schemas,
// gnome-settings-daemon-common) for the keys Ampora writes, and the keyfile GIO writes them to
// with GSETTINGS_BACKEND=keyfile.

// Copies the schema files into folder (below the environment), each passed through edit first
// (an emptied file is left out), and compiles them with --strict. False when a file is missing or
// the compiler refuses.
bool compileGnomeSchemas(const TestEnvironment &environment, const QString &folder,
    const std::function<void(const QString &file, QByteArray &xml)> &edit = {});

// The same for the named files of /usr/share/glib-2.0/schemas (MATE's, Cinnamon's).
bool compileSchemas(const TestEnvironment &environment, const QString &folder, const QStringList &files,
    const std::function<void(const QString &file, QByteArray &xml)> &edit = {});

// Points this process's GIO at the compiled schemas and the keyfile backend; call before GIO first
// looks, since it keeps both for the life of the process. The installed schemas stay out of sight.
void useGnomeSchemas(const TestEnvironment &environment, const QString &folder);

// A key's value as the keyfile holds it ($XDG_CONFIG_HOME/glib-2.0/settings/keyfile): group is
// the schema path, "org/gnome/desktop/session".
QString keyfileValue(const QString &group, const QString &key);

// The keys GNOME's Settings shows, in one line: "button suspend, dim true, blank 120, ...".
QString shownByGnome();

// The keys' values as the keyfile holds them, joined by blanks.
QString keyfileValues(const QString &group, const QStringList &keys);

// A seeded plan's values ("Power saver"), without any for the setting left out.
PlanValues seededPlanValues(QStringView name, std::optional<Setting> leftOut = std::nullopt);
// "power-button:applied sleep-button:fixed-by-desktop ...", in the settings' order; only those
// named when only is given.
QString outcomeNames(QList<SettingReport> reports, const QList<Setting> &only = {});
// The report on setting as "failed: detail".
QString reportText(const QList<SettingReport> &reports, Setting setting);
// The report on setting, or a failed one that says there was none.
SettingReport reportFor(const QList<SettingReport> &reports, Setting setting);
// "dim approximated: detail", as a failed comparison shows a report.
char *toString(const SettingReport &report);
