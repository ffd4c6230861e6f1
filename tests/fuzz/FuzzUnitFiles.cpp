// SPDX-License-Identifier: GPL-3.0-or-later
// Unit files and autostart entries. Any text read as either is written out so that it reads the
// same; and a task definition made of the input, when the timer units or the autostart entry can
// carry it, reads back from the written files exactly as it was.
#include "AutostartEntry.h"
#include "FuzzCheck.h"
#include "TimerUnits.h"
#include "UnitFile.h"

#include <QDate>
#include <QTime>

namespace {

// Takes the input apart front to back; whatever runs out reads as zero or empty.
struct InputReader
{
    const uint8_t *data;
    size_t size;
    size_t at = 0;

    quint32 number()
    {
        quint32 value = 0;
        for (int i = 0; i < 4 && at < size; ++i)
            value = value << 8 | data[at++];
        return value;
    }
    quint8 byte() { return at < size ? data[at++] : 0; }
    bool flag() { return byte() & 1; }
    // Invalid UTF-8 reads as replacement characters, as from a file.
    QString take(size_t wanted)
    {
        const size_t length = std::min(wanted, size - at);
        at += length;
        return QString::fromUtf8(reinterpret_cast<const char *>(data + at - length), qsizetype(length));
    }
    QString text() { return take(byte() % 64); }
    QString rest() { return take(size); }
};

QString startBoundary(InputReader &in)
{
    if (in.byte() % 8 == 0)
        return in.text();
    const QDate date = QDate(TaskDefinition::kFirstYear, 1, 1).addDays(in.number() % (230 * 366));
    const QTime time = QTime(0, 0).addSecs(int(in.number() % 86400));
    return date.toString(QStringLiteral("yyyy-MM-dd")) + u'T' + time.toString(QStringLiteral("HH:mm:ss"));
}

TaskDefinition definitionFrom(InputReader &in)
{
    TaskDefinition definition;
    constexpr TaskDefinition::TriggerType types[] = { TaskDefinition::TriggerType::Once,
        TaskDefinition::TriggerType::Daily, TaskDefinition::TriggerType::Weekly, TaskDefinition::TriggerType::Logon };
    const quint8 shape = in.byte();
    for (int i = 0; i < 1 + (shape & 1); ++i) {
        TaskDefinition::Trigger trigger;
        trigger.type = types[in.byte() % std::size(types)];
        trigger.id = in.text();
        trigger.startBoundary = startBoundary(in);
        if (trigger.type == TaskDefinition::TriggerType::Weekly || in.byte() % 16 == 0)
            trigger.daysOfWeek = int(in.number() % 256);
        if (trigger.type == TaskDefinition::TriggerType::Logon)
            trigger.delaySeconds = int(in.number());
        definition.triggers.append(trigger);
    }
    for (int i = 0; i < 1 + (shape >> 1 & 1); ++i) {
        TaskDefinition::Action action;
        action.type = in.byte() % 16 == 0 ? TaskDefinition::ActionType::Email : TaskDefinition::ActionType::Exec;
        const bool absolute = in.flag();
        action.path = (absolute ? QStringLiteral("/") : QString()) + in.text();
        action.arguments = in.text();
        definition.actions.append(action);
    }
    definition.author = in.text();
    definition.principal.logonType = in.byte() % 8;
    definition.principal.runLevel = in.byte() % 4;
    definition.settings.disallowStartIfOnBatteries = in.flag();
    definition.settings.stopIfGoingOnBatteries = in.flag();
    definition.settings.startWhenAvailable = in.flag();
    definition.settings.hidden = in.flag();
    definition.settings.idleWaitTimeout = in.text();
    return definition;
}

// Writing out what was read gives a file that reads as the same lines.
void checkRewrite(const QString &text, UnitFile::Syntax syntax)
{
    const QString written = UnitFile::parse(text, syntax).toText();
    fuzzCheck(UnitFile::parse(written, syntax).toText() == written, "a unit file changed when written again");
}

void checkTimerUnits(const TaskDefinition &definition)
{
    const std::optional<TimerUnits::Texts> units = TimerUnits::compose(QStringLiteral("AMPCTL7"), definition);
    if (!units)
        return;
    const UnitFile timer = UnitFile::parse(units->timer, UnitFile::Syntax::Unit);
    const UnitFile service = UnitFile::parse(units->service, UnitFile::Syntax::Unit);
    fuzzCheck(TimerUnits::isTask(timer) && TimerUnits::isTask(service), "written units are not marked as a task");
    fuzzCheck(TimerUnits::decompose(timer, service) == definition, "timer units read back another task");
    checkRewrite(units->timer, UnitFile::Syntax::Unit);
    checkRewrite(units->service, UnitFile::Syntax::Unit);
}

void checkAutostartEntry(const TaskDefinition &definition)
{
    const std::optional<QString> text = AutostartEntry::compose(definition);
    if (!text)
        return;
    UnitFile entry = UnitFile::parse(*text, UnitFile::Syntax::Desktop);
    fuzzCheck(
        AutostartEntry::isTask(entry) && AutostartEntry::isEnabled(entry), "a written entry is not an enabled task");
    fuzzCheck(AutostartEntry::decompose(entry) == definition, "an autostart entry reads back another task");
    AutostartEntry::setEnabled(entry, false);
    const UnitFile disabled = UnitFile::parse(entry.toText(), UnitFile::Syntax::Desktop);
    fuzzCheck(!AutostartEntry::isEnabled(disabled), "a disabled entry reads as enabled");
    fuzzCheck(AutostartEntry::decompose(disabled) == definition, "disabling an entry changed its task");
    checkRewrite(*text, UnitFile::Syntax::Desktop);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    InputReader in { data, size };
    if (in.byte() % 4 == 0) {
        // Any file found in the folders: read, decomposed and rewritten without harm.
        const QString text = in.rest();
        for (const UnitFile::Syntax syntax : { UnitFile::Syntax::Unit, UnitFile::Syntax::Desktop }) {
            checkRewrite(text, syntax);
            const UnitFile file = UnitFile::parse(text, syntax);
            TimerUnits::decompose(file, file);
            UnitFile entry = file;
            const TaskDefinition before = AutostartEntry::decompose(entry);
            AutostartEntry::setEnabled(entry, false);
            fuzzCheck(!AutostartEntry::isEnabled(UnitFile::parse(entry.toText(), syntax)), "an entry stayed enabled");
            fuzzCheck(AutostartEntry::decompose(entry) == before, "disabling an entry changed its task");
        }
        return 0;
    }
    const TaskDefinition definition = definitionFrom(in);
    checkTimerUnits(definition);
    checkAutostartEntry(definition);
    return 0;
}
