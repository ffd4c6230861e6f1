// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemPlans.h"

#include "Guid.h"
#include "IniFile.h"
#include "PlanEditing.h"
#include "PlanFileText.h"
#include "RegularFile.h"
#include "SettingText.h"
#include "UserReport.h"

#include <QDir>
#include <algorithm>
#include <tuple>

using Guid::guidToText;
using Guid::textToGuid;
using PlanEditing::planNameOf;
using PlanEditing::refusePlanDescription;
using PlanEditing::refusePlanName;
using PlanFileText::balancedValues;
using PlanFileText::forEachLine;
using PlanFileText::valuePosition;
using PowerSettings::defaultPlans;
using PowerSettings::settingRow;
using SettingText::settingName;
using SettingText::valueText;
using UserReport::reportToUser;

using namespace Qt::Literals::StringLiterals;

namespace {

bool isDefaultPlan(const QUuid &guid)
{
    return std::any_of(
        defaultPlans().begin(), defaultPlans().end(), [&](const DefaultPlan &plan) { return plan.guid == guid; });
}

// Reads one file line by line up to its first fault, which damages the whole file.
class FileReader
{
public:
    SystemPlans plans;
    QString problem; // "line N: what"; empty while the file is sound

    void readLine(int number, const QString &text)
    {
        if (!problem.isEmpty() || text.isEmpty() || text.startsWith(u'#') || text.startsWith(u';'))
            return;
        if (text.startsWith(u'['))
            return readHeader(number, text);
        const qsizetype equals = text.indexOf(u'=');
        if (equals <= 0)
            return note(number, u"not a key=value line, a [section] or a comment"_s);
        if (m_kind == Section::None)
            return note(number, u"comes before the first [section]"_s);
        const QString key = text.left(equals).trimmed();
        const QString value = text.mid(equals + 1).trimmed();
        const QString seenKey = m_section + u'/' + key.toLower();
        if (const auto first = m_seen.constFind(seenKey); first != m_seen.cend())
            return note(number, u"%1 is given twice in [%2] (first on line %3)"_s.arg(key, m_section).arg(*first));
        m_seen.insert(seenKey, number);
        if (m_kind == Section::Store)
            readStoreKey(number, key, value);
        else if (m_kind == Section::Locks)
            readSetting(number, key, value, m_locks);
        else
            readPlanKey(number, key, value);
    }

    void note(int number, const QString &message)
    {
        if (problem.isEmpty())
            problem = number > 0 ? u"line %1: %2"_s.arg(number).arg(message) : message;
    }

    void finish()
    {
        closePlan();
        for (const SchemeChanges::Value &lock : std::as_const(m_locks))
            plans.addLock(lock);
        for (const auto &[guid, line, pinned] : { std::tuple(m_firstActive, m_firstActiveLine, false),
                 std::tuple(m_pinnedActive, m_pinnedActiveLine, true) }) {
            if (guid.isNull())
                continue;
            if (!plans.plan(guid) && !isDefaultPlan(guid))
                return note(line,
                    u"the active plan %1 is neither a plan of this file nor a default plan"_s.arg(guidToText(guid)));
            plans.setActive(guid, pinned);
        }
    }

private:
    enum class Section { None, Store, Locks, Plan };

    void readHeader(int number, const QString &text)
    {
        closePlan();
        if (!text.endsWith(u']'))
            return note(number, u"a section header ends with ]"_s);
        m_section = text.mid(1, text.size() - 2).trimmed();
        if (const auto first = m_sections.constFind(m_section.toLower()); first != m_sections.cend())
            return note(number, u"[%1] is given twice (first on line %2)"_s.arg(m_section).arg(*first));
        m_sections.insert(m_section.toLower(), number);
        if (m_section.compare(u"Store"_s, Qt::CaseInsensitive) == 0) {
            m_kind = Section::Store;
        } else if (m_section.compare(u"Locks"_s, Qt::CaseInsensitive) == 0) {
            m_kind = Section::Locks;
        } else if (const std::optional<QUuid> guid = textToGuid(m_section); guid && !guid->isNull()) {
            m_kind = Section::Plan;
            m_plan = SystemPlans::Plan { *guid, {}, {}, balancedValues() };
            m_planLine = number;
            m_named = false;
        } else {
            note(number, u"unknown section [%1]; use [Store], [Locks] or a plan's GUID in braces"_s.arg(m_section));
        }
    }

    void closePlan()
    {
        if (m_kind != Section::Plan)
            return;
        m_kind = Section::None;
        if (!m_named)
            return note(m_planLine, u"the plan %1 has no Name"_s.arg(guidToText(m_plan.guid)));
        plans.addPlan(m_plan);
    }

    void readStoreKey(int number, const QString &key, const QString &value)
    {
        const QString folded = key.toLower();
        if (folded == u"format") {
            bool ok = false;
            const int version = value.toInt(&ok);
            if (!ok || version < 1)
                return note(number, u"Format is a whole number from 1, not \"%1\""_s.arg(value));
            if (version > SystemPlans::kFormatVersion)
                return note(number,
                    u"written in format %1; this Ampora reads format %2"_s.arg(version).arg(
                        SystemPlans::kFormatVersion));
        } else if (folded == u"active" || folded == u"active[$i]") {
            const std::optional<QUuid> guid = textToGuid(value);
            if (!guid || guid->isNull())
                return note(number, u"\"%1\" is not a GUID in braces"_s.arg(value));
            const bool pinned = folded != u"active";
            (pinned ? m_pinnedActive : m_firstActive) = *guid;
            (pinned ? m_pinnedActiveLine : m_firstActiveLine) = number;
        } else {
            note(number, u"unknown key %1 in [Store]; use Format, Active or Active[$i]"_s.arg(key));
        }
    }

    void readPlanKey(int number, const QString &key, const QString &value)
    {
        const QString folded = key.toLower();
        if (folded == u"name") {
            if (const Result<> usable = refusePlanName({}, value); !usable)
                return note(number, usable.failure().message);
            m_plan.name = planNameOf(value);
            m_named = true;
        } else if (folded == u"description") {
            if (const Result<> usable = refusePlanDescription(value); !usable)
                return note(number, usable.failure().message);
            m_plan.description = value;
        } else {
            readSetting(number, key, value, m_plan.values);
        }
    }

    // "AC/display-off=15min" into values: the whole list of a plan, or the locks given so far.
    void readSetting(int number, const QString &key, const QString &value, QList<SchemeChanges::Value> &values)
    {
        const qsizetype slash = key.indexOf(u'/');
        const QString prefix = key.left(slash).trimmed().toUpper();
        if (slash < 0 || (prefix != u"AC" && prefix != u"DC"))
            return note(number, u"unknown key %1; a setting is AC/name or DC/name, such as AC/display-off"_s.arg(key));
        const PowerSource source = prefix == u"AC" ? PowerSource::Ac : PowerSource::Dc;
        const Result<PlanFileText::Setting> setting = PlanFileText::readSetting(key.mid(slash + 1).trimmed(), value);
        if (!setting)
            return note(number, setting.failure().message);
        const SchemeChanges::Value read { source, setting->row->subgroup, setting->row->setting, setting->stored };
        if (m_kind == Section::Plan)
            values[valuePosition(*setting->row, source)] = read;
        else
            values.append(read);
    }

    Section m_kind = Section::None;
    QString m_section;
    QHash<QString, int> m_sections; // folded name -> its header's line
    QHash<QString, int> m_seen; // "section/key" -> the line that gave it first
    SystemPlans::Plan m_plan;
    int m_planLine = 0;
    bool m_named = false;
    QList<SchemeChanges::Value> m_locks;
    QUuid m_firstActive;
    QUuid m_pinnedActive;
    int m_firstActiveLine = 0;
    int m_pinnedActiveLine = 0;
};

} // namespace

QStringList SystemPlans::systemFiles()
{
    QStringList folders;
    for (const QString &folder : qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder)) // the XDG rule: a relative one is ignored
            folders.append(folder);
    }
    if (folders.isEmpty())
        folders.append(u"/etc/xdg"_s);
    QStringList files;
    for (const QString &folder : std::as_const(folders))
        files.append(QDir::cleanPath(folder + u"/ampora/schemes.ini"_s));
    return files;
}

SystemPlans SystemPlans::load(const QStringList &files)
{
    SystemPlans merged;
    for (const QString &file : files) {
        const Result<QByteArray> bytes = RegularFile::read(file, IniFile::kSizeLimit);
        if (bytes.failedWith(Failure::Kind::NotFound))
            continue;
        if (!bytes) {
            reportToUser(u"ampora: the system-wide plan file %1 was skipped: %2"_s.arg(file, bytes.failure().message));
            continue;
        }
        const Result<SystemPlans> parsed = parse(*bytes);
        if (!parsed) {
            reportToUser(u"ampora: the system-wide plan file %1 is damaged and was skipped: %2"_s.arg(
                file, parsed.failure().message));
            continue;
        }
        merged.addMissing(*parsed);
    }
    return merged;
}

Result<SystemPlans> SystemPlans::parse(const QByteArray &bytes)
{
    FileReader reader;
    forEachLine(bytes, [&](int number, const std::optional<QString> &line) {
        if (line)
            reader.readLine(number, *line);
        else
            reader.note(number, u"not UTF-8 text"_s);
    });
    reader.finish();
    if (!reader.problem.isEmpty())
        return invalid(reader.problem);
    return reader.plans;
}

bool SystemPlans::isEmpty() const
{
    return m_plans.isEmpty() && m_locks.isEmpty() && m_firstActive.isNull() && m_pinnedActive.isNull();
}

const SystemPlans::Plan *SystemPlans::plan(const QUuid &guid) const
{
    const auto at = m_index.constFind(guid);
    return at == m_index.cend() ? nullptr : &m_plans.at(*at);
}

std::optional<quint32> SystemPlans::valueOf(
    const Plan &plan, PowerSource source, const QUuid &subgroup, const QUuid &setting)
{
    const PowerSettingRow *row = settingRow(subgroup, setting);
    if (!row)
        return std::nullopt;
    return plan.values.value(valuePosition(*row, source)).value;
}

std::optional<quint32> SystemPlans::lockedValue(PowerSource source, const QUuid &subgroup, const QUuid &setting) const
{
    for (const SchemeChanges::Value &lock : m_locks) {
        if (lock.source == source && lock.subgroup == subgroup && lock.setting == setting)
            return lock.value;
    }
    return std::nullopt;
}

void SystemPlans::addPlan(const Plan &plan)
{
    if (m_index.contains(plan.guid))
        return;
    m_index.insert(plan.guid, m_plans.size());
    m_plans.append(plan);
}

void SystemPlans::addLock(const SchemeChanges::Value &lock)
{
    if (!lockedValue(lock.source, lock.subgroup, lock.setting))
        m_locks.append(lock);
}

void SystemPlans::setActive(const QUuid &plan, bool pinned)
{
    QUuid &active = pinned ? m_pinnedActive : m_firstActive;
    if (active.isNull())
        active = plan;
}

void SystemPlans::addMissing(const SystemPlans &later)
{
    for (const Plan &plan : later.m_plans)
        addPlan(plan);
    for (const SchemeChanges::Value &lock : later.m_locks)
        addLock(lock);
    setActive(later.m_firstActive, false);
    setActive(later.m_pinnedActive, true);
}

Result<SchemeChanges> SystemPlans::admit(
    const SchemeChanges &changes, const std::function<bool(const QUuid &)> &isUserScheme) const
{
    const auto isSystem = [&](const QUuid &scheme) { return plan(scheme) && !isUserScheme(scheme); };
    const auto refusal = [&](const QUuid &scheme) {
        return readOnly(u"the power plan \"%1\" is set by the administrator for every user and cannot be changed "
                        u"or deleted; copy it to make a plan of your own"_s.arg(plan(scheme)->name));
    };
    SchemeChanges admitted = changes;
    for (SchemeChanges::Plan &change : admitted.plans) {
        if (change.copyOf && isSystem(change.scheme))
            return alreadyExists(u"a power plan %1 exists already"_s.arg(guidToText(change.scheme)));
        if (!change.copyOf && isSystem(change.scheme))
            return refusal(change.scheme);
        QList<SchemeChanges::Value> kept;
        for (const SchemeChanges::Value &value : std::as_const(change.values)) {
            const std::optional<quint32> locked = lockedValue(value.source, value.subgroup, value.setting);
            if (!locked) {
                kept.append(value);
            } else if (!change.copyOf && value.value != *locked) {
                const PowerSettingRow *row = settingRow(value.subgroup, value.setting);
                const QString name = row ? settingName(*row) : guidToText(value.setting);
                return readOnly(u"the administrator locked %1 %2 at %3 for every plan"_s.arg(name,
                    value.source == PowerSource::Ac ? u"(plugged in)"_s : u"(on battery)"_s,
                    row ? valueText(row->kind, *locked) : QString::number(*locked)));
            }
        }
        change.values = kept;
    }
    for (const QUuid &scheme : changes.deletions) {
        if (isSystem(scheme))
            return refusal(scheme);
    }
    return admitted;
}

Failure SystemPlans::activeLocked()
{
    return readOnly(u"the administrator set the active power plan for every user; it cannot be changed"_s);
}
