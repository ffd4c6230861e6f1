// SPDX-License-Identifier: GPL-3.0-or-later
#include "GnomeSettingsFixture.h"

#include "IniFile.h"
#include "PowerSettings.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using ApplySetting::allSettings;
using ApplySetting::settingRow;
using Outcomes::outcomeName;
using PowerSettings::defaultPlans;

using namespace Qt::StringLiterals;

namespace {

QString keyfilePath()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + u"/glib-2.0/settings/keyfile"_s;
}

} // namespace

bool compileGnomeSchemas(const TestEnvironment &environment, const QString &folder,
    const std::function<void(const QString &file, QByteArray &xml)> &edit)
{
    return compileSchemas(environment, folder,
        { u"org.gnome.settings-daemon.plugins.power.gschema.xml"_s, u"org.gnome.settings-daemon.enums.xml"_s,
            u"org.gnome.desktop.session.gschema.xml"_s, u"org.gnome.desktop.screensaver.gschema.xml"_s,
            u"org.gnome.desktop.enums.xml"_s },
        edit);
}

bool compileSchemas(const TestEnvironment &environment, const QString &folder, const QStringList &files,
    const std::function<void(const QString &file, QByteArray &xml)> &edit)
{
    for (const QString &file : files) {
        QByteArray xml = TestEnvironment::readFile(u"/usr/share/glib-2.0/schemas/"_s + file);
        if (xml.isEmpty())
            return false;
        if (edit)
            edit(file, xml);
        if (!xml.isEmpty())
            environment.writeFile(folder + u'/' + file, xml);
    }
    QProcess compiler;
    compiler.start(u"glib-compile-schemas"_s, { u"--strict"_s, environment.path(folder) });
    return compiler.waitForFinished() && compiler.exitCode() == 0;
}

void useGnomeSchemas(const TestEnvironment &environment, const QString &folder)
{
    qputenv("GSETTINGS_BACKEND", "keyfile");
    qputenv("GSETTINGS_SCHEMA_DIR", QFile::encodeName(environment.path(folder)));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(environment.path(u"no-data"_s)));
}

QString keyfileValue(const QString &group, const QString &key)
{
    return IniFile::load(keyfilePath()).value(group, key);
}

QString keyfileValues(const QString &group, const QStringList &keys)
{
    const IniFile keyfile = IniFile::load(keyfilePath());
    QStringList values;
    for (const QString &key : keys)
        values.append(keyfile.value(group, key));
    return values.join(u' ');
}

QString shownByGnome()
{
    const QString power = u"org/gnome/settings-daemon/plugins/power"_s;
    const IniFile keyfile = IniFile::load(keyfilePath());
    return u"button %1, dim %2, blank %3, ac %4 %5, battery %6 %7, lock %8"_s.arg(
        keyfile.value(power, u"power-button-action"_s), keyfile.value(power, u"idle-dim"_s),
        keyfile.value(u"org/gnome/desktop/session"_s, u"idle-delay"_s),
        keyfile.value(power, u"sleep-inactive-ac-type"_s), keyfile.value(power, u"sleep-inactive-ac-timeout"_s),
        keyfile.value(power, u"sleep-inactive-battery-type"_s),
        keyfile.value(power, u"sleep-inactive-battery-timeout"_s),
        keyfile.value(u"org/gnome/desktop/screensaver"_s, u"lock-enabled"_s));
}

PlanValues seededPlanValues(QStringView name, std::optional<Setting> leftOut)
{
    const auto plans = defaultPlans();
    const DefaultPlan &plan
        = *std::find_if(plans.begin(), plans.end(), [&](const DefaultPlan &p) { return p.name == name; });
    PlanValues values;
    for (const Setting setting : allSettings()) {
        if (setting == leftOut)
            continue;
        const SeedValues &seed = settingRow(setting).*plan.values;
        values.setValue(setting, PowerSource::Ac, seed.ac);
        values.setValue(setting, PowerSource::Dc, seed.dc);
    }
    return values;
}

QString outcomeNames(QList<SettingReport> reports, const QList<Setting> &only)
{
    if (!only.isEmpty())
        reports.removeIf([&](const SettingReport &r) { return !only.contains(r.setting); });
    std::sort(reports.begin(), reports.end(),
        [](const SettingReport &a, const SettingReport &b) { return a.setting < b.setting; });
    QStringList names;
    for (const SettingReport &report : reports)
        names.append(settingRow(report.setting).name + u':' + outcomeName(report.outcome));
    return names.join(u' ');
}

SettingReport reportFor(const QList<SettingReport> &reports, Setting setting)
{
    const auto found
        = std::find_if(reports.begin(), reports.end(), [&](const SettingReport &r) { return r.setting == setting; });
    return found == reports.end() ? SettingReport { setting, Outcome::Failed, u"no report"_s } : *found;
}

QString reportText(const QList<SettingReport> &reports, Setting setting)
{
    const SettingReport report = reportFor(reports, setting);
    return outcomeName(report.outcome) + u": "_s + report.detail;
}

char *toString(const SettingReport &report)
{
    return QTest::toString(
        settingRow(report.setting).name + u' ' + outcomeName(report.outcome) + u": "_s + report.detail);
}
