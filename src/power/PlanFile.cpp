// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanFile.h"

#include "Guid.h"
#include "PlanEditing.h"
#include "PlanFileText.h"
#include "PlanSettings.h"
#include "PowerSettings.h"
#include "SettingText.h"

#include <QHash>

using Guid::guidToText;
using Guid::textToGuid;
using PlanEditing::planNameOf;
using PlanEditing::refusePlanDescription;
using PlanEditing::refusePlanName;
using PlanFileText::balancedValues;
using PlanFileText::forEachLine;
using PlanFileText::valuePosition;
using PowerSettings::powerSettingRows;
using PowerSettings::settingRow;
using SettingText::settingName;
using SettingText::valueText;

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr PowerSource kSources[] = { PowerSource::Ac, PowerSource::Dc };

QString sectionOf(PowerSource source)
{
    return source == PowerSource::Ac ? u"AC"_s : u"DC"_s;
}

// Reads the lines of a plan file into a PlanFile's parts, noting a problem per bad line.
class Reader
{
public:
    QList<PlanFile::Problem> problems;
    QUuid guid;
    std::optional<QString> name;
    QString description;
    QList<SchemeChanges::Value> values = balancedValues();
    std::optional<int> format;

    void readLine(int number, const QString &text)
    {
        if (text.isEmpty() || text.startsWith(u'#') || text.startsWith(u';'))
            return;
        if (text.startsWith(u'[')) {
            readHeader(number, text);
            return;
        }
        const qsizetype equals = text.indexOf(u'=');
        if (equals <= 0)
            return note(number, u"not a key=value line, a [section] or a comment"_s);
        if (m_section.isEmpty())
            return note(number, u"comes before the [Plan] section"_s);
        if (!m_sectionKnown)
            return; // the header's problem is noted already
        const QString key = text.left(equals).trimmed();
        const QString value = text.mid(equals + 1).trimmed();
        const QString seenKey = m_section + u'/' + key.toLower();
        if (const auto first = m_seen.constFind(seenKey); first != m_seen.cend())
            return note(number, u"%1 is given twice in [%2] (first on line %3)"_s.arg(key, m_section).arg(*first));
        m_seen.insert(seenKey, number);
        if (m_section == u"Plan")
            readPlanKey(number, key, value);
        else
            readSetting(number, m_section == u"AC" ? PowerSource::Ac : PowerSource::Dc, key, value);
    }

    void note(int number, const QString &message) { problems.append({ number, message }); }

private:
    void readHeader(int number, const QString &text)
    {
        m_section = text.mid(1, text.size() - 2).trimmed();
        m_sectionKnown = false;
        if (!text.endsWith(u']'))
            return note(number, u"a section header ends with ]"_s);
        for (const QString &known : { u"Plan"_s, u"AC"_s, u"DC"_s }) {
            if (QString::compare(m_section, known, Qt::CaseInsensitive) == 0) {
                m_section = known;
                m_sectionKnown = true;
                return;
            }
        }
        note(number, u"unknown section [%1]; use [Plan], [AC] or [DC]"_s.arg(m_section));
    }

    void readPlanKey(int number, const QString &key, const QString &value)
    {
        const QString folded = key.toLower();
        if (folded == u"format") {
            bool ok = false;
            const int version = value.toInt(&ok);
            format = 0; // given, if wrongly
            if (!ok || version < 1)
                return note(number, u"Format is a whole number from 1, not \"%1\""_s.arg(value));
            format = version;
        } else if (folded == u"guid") {
            const std::optional<QUuid> read = textToGuid(value);
            if (!read)
                return note(number, u"\"%1\" is not a GUID in braces"_s.arg(value));
            guid = *read;
        } else if (folded == u"name") {
            name = QString(); // given, if wrongly
            if (const Result<> usable = refusePlanName({}, value); !usable)
                return note(number, usable.failure().message);
            name = planNameOf(value);
        } else if (folded == u"description") {
            if (const Result<> usable = refusePlanDescription(value); !usable)
                return note(number, usable.failure().message);
            description = value;
        } else {
            note(number, u"unknown key %1 in [Plan]; use Format, GUID, Name or Description"_s.arg(key));
        }
    }

    void readSetting(int number, PowerSource source, const QString &key, const QString &value)
    {
        const Result<PlanFileText::Setting> setting = PlanFileText::readSetting(key, value);
        if (!setting)
            return note(number, setting.failure().message);
        values[valuePosition(*setting->row, source)].value = setting->stored;
    }

    QString m_section;
    bool m_sectionKnown = false;
    QHash<QString, int> m_seen; // "section/key" -> the line that gave it first
};

} // namespace

Result<PlanFile> PlanFile::fromPlatform(const PowerPlatform &platform, const QUuid &scheme)
{
    PlanFile file;
    file.m_guid = scheme;
    const Result<QString> name = platform.friendlyName(scheme);
    if (!name)
        return name.failure();
    const Result<QString> description = platform.description(scheme);
    if (!description)
        return description.failure();
    file.m_name = *name;
    file.m_description = *description;
    for (const PowerSettingRow &row : powerSettingRows()) {
        for (const PowerSource source : kSources) {
            const Result<quint32> value = platform.valueIndex(source, scheme, row.subgroup, row.setting);
            // A value the store lacks is one the editor shows as unset; a store that cannot
            // answer is a failure, never a plan with made-up values.
            if (!value && !value.failedWith(Failure::Kind::NotFound))
                return value.failure();
            file.m_values.append({ source, row.subgroup, row.setting, value.valueOr(kUnreadableValue) });
        }
    }
    return file;
}

PlanFile PlanFile::parse(const QByteArray &bytes)
{
    PlanFile file;
    if (bytes.size() > kSizeLimit) {
        file.m_problems.append({ 0, u"larger than any plan file (over %1 bytes)"_s.arg(kSizeLimit) });
        return file;
    }
    Reader reader;
    forEachLine(bytes, [&](int number, const std::optional<QString> &line) {
        if (line)
            reader.readLine(number, *line);
        else
            reader.note(number, u"not UTF-8 text"_s);
    });
    if (reader.format && *reader.format > kFormatVersion) {
        // Whatever else looks wrong is most likely what the newer format added.
        file.m_problems.append({ 0,
            u"written in plan file format %1; this Ampora reads format %2"_s.arg(*reader.format).arg(kFormatVersion) });
        return file;
    }
    if (!reader.format)
        reader.note(0, u"no Format= line in [Plan]: not an Ampora plan file"_s);
    if (!reader.name)
        reader.note(0, u"no Name= line in [Plan]"_s);
    file.m_problems = reader.problems;
    file.m_guid = reader.guid;
    file.m_name = reader.name.value_or(QString());
    file.m_description = reader.description;
    file.m_values = reader.values;
    return file;
}

QByteArray PlanFile::toBytes() const
{
    QString text = u"# Ampora power plan (see ampctl(1), PLAN FILES)\n[Plan]\nFormat=%1\n"_s.arg(kFormatVersion);
    if (!m_guid.isNull())
        text += u"GUID="_s + guidToText(m_guid) + u'\n';
    text += u"Name="_s + m_name + u"\nDescription="_s + m_description + u'\n';
    for (const PowerSource source : kSources) {
        text += u"\n["_s + sectionOf(source) + u"]\n"_s;
        for (const SchemeChanges::Value &value : m_values) {
            if (value.source != source)
                continue;
            if (const PowerSettingRow *row = settingRow(value.subgroup, value.setting))
                text += settingName(*row) + u'=' + valueText(row->kind, value.value) + u'\n';
        }
    }
    return text.toUtf8();
}

QStringList PlanFile::problemLines(const QString &where) const
{
    QStringList lines;
    for (const Problem &problem : m_problems)
        lines.append(problem.line > 0 ? u"%1:%2: %3"_s.arg(where).arg(problem.line).arg(problem.message)
                                      : u"%1: %2"_s.arg(where, problem.message));
    return lines;
}

Result<QUuid> PlanFile::addTo(PowerPlatform &platform, const std::optional<QString> &name, bool keepGuid) const
{
    if (!m_problems.isEmpty())
        return invalid(u"the plan file has %1 problem(s)"_s.arg(m_problems.size()));
    QUuid scheme = QUuid::createUuid();
    if (keepGuid) {
        if (m_guid.isNull())
            return invalid(u"the plan file names no GUID to keep"_s);
        const Result<QList<QUuid>> schemes = platform.schemes();
        if (!schemes)
            return schemes.failure();
        if (schemes->contains(m_guid))
            return alreadyExists(u"a power plan with the GUID %1 exists already"_s.arg(guidToText(m_guid)));
        scheme = m_guid;
    }
    // The copy of the active plan only gives the new plan a place in the store: every value the
    // file has replaces the copied one.
    const Result<QUuid> active = platform.activeScheme();
    if (!active)
        return active.failure();
    SchemeChanges changes;
    changes.plans.append({ scheme, *active, planNameOf(name.value_or(m_name)), m_description, m_values });
    if (const Result<> added = platform.changeSchemes(changes); !added)
        return added.failure();
    return scheme;
}
