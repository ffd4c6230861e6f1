#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "ScheduleTestSupport.h"
#include "TaskReader.h"
#include "TestEnvironment.h"

#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;
using TriggerType = TaskDefinition::TriggerType;

namespace {

const QUuid kSaver = QUuid::fromString(u"{A1841308-3541-4FAB-BC81-F71556F20B4A}");

// A plan store that cannot answer, as opposed to one whose plan is gone.
class SilentStore : public FakePowerPlatform
{
public:
    Result<QString> friendlyName(const QUuid &) const override { return failed(u"store unreadable"_s); }
};

QStringList namesOf(const QList<TimeSchedule> &schedules)
{
    QStringList names;
    for (const TimeSchedule &s : schedules)
        names.append(s.taskName);
    return names;
}

} // namespace

class TestTaskReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void recognisesOnlyTheProgramsTasks_data();
    void recognisesOnlyTheProgramsTasks();
    void buildsDisplayTexts_data();
    void buildsDisplayTexts();
    void deletesOnlyTasksOfPlansKnownGone();

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_store;
    QUuid m_saver;
};

void TestTaskReader::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_env->writeFile(QStringLiteral("program/ampctleng.ini"), scheduleLanguageFile());
    m_store = std::make_unique<FakePowerPlatform>();
    m_saver = m_store->addScheme(u"Power saver"_s, {}, kSaver);
}

void TestTaskReader::cleanup()
{
    m_store.reset();
    m_env.reset();
}

void TestTaskReader::recognisesOnlyTheProgramsTasks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<bool>("actionIsExec");
    QTest::addColumn<bool>("listed");

    const QString guid = kSaver.toString(QUuid::WithBraces).toUpper();
    const QString args = QStringLiteral("-setactiveplan -") + guid;
    QTest::newRow("program's task") << u"AMPCTL7"_s << args << true << true;
    QTest::newRow("lower-case name") << u"ampctl7"_s << args << true << false;
    QTest::newRow("prefix not at the start") << u"XAMPCTL7"_s << args << true << false;
    QTest::newRow("not a program start") << u"AMPCTL7"_s << args << false << false;
    QTest::newRow("keyword in other case") << u"AMPCTL7"_s << (u"-setActivePlan -"_s + guid) << true << false;
    QTest::newRow("trailing blank after the GUID") << u"AMPCTL7"_s << (args + u' ') << true << false;
    QTest::newRow("GUID without braces") << u"AMPCTL7"_s << (u"-setactiveplan -"_s + guid.mid(1, 36)) << true << false;
    QTest::newRow("lower-case hex digits") << u"AMPCTL7"_s << args.toLower() << true << true;
    QTest::newRow("blank instead of the dash") << u"AMPCTL7"_s << (u"-setactiveplan  "_s + guid) << true << true;
}

void TestTaskReader::recognisesOnlyTheProgramsTasks()
{
    QFETCH(QString, name);
    QFETCH(QString, arguments);
    QFETCH(bool, actionIsExec);
    QFETCH(bool, listed);

    FakeTaskService service;
    RegisteredTask task = planTask(name, TriggerType::Daily, u"2024-07-05T07:03:09"_s, arguments);
    if (!actionIsExec)
        task.definition->actions.first().type = TaskDefinition::ActionType::Email;
    service.addTask(task);

    const QList<TimeSchedule> schedules = readScheduledTasks(service, *m_store);
    QCOMPARE(schedules.size(), listed ? 1 : 0);
    QVERIFY(service.deleteCalls().isEmpty());
    QCOMPARE(service.tasks().size(), 1);
}

void TestTaskReader::buildsDisplayTexts_data()
{
    QTest::addColumn<TriggerType>("type");
    QTest::addColumn<QString>("boundary");
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("start");

    QTest::newRow("once, evening") << TriggerType::Once << u"2025-05-02T20:05:00"_s << 0 << u"Once"_s
                                   << u"08:05:00 PM on 2025/05/02"_s;
    QTest::newRow("daily after midnight")
        << TriggerType::Daily << u"2024-07-05T00:30:15"_s << 0 << u"Daily"_s << u"12:30:15 AM"_s;
    QTest::newRow("daily at noon") << TriggerType::Daily << u"2024-07-05T12:00:00"_s << 0 << u"Daily"_s
                                   << u"12:00:00 PM"_s;
    QTest::newRow("weekly, three days") << TriggerType::Weekly << u"2024-07-05T07:03:09"_s << (1 | 2 | 64)
                                        << u"Weekly"_s << u"07:03:09 AM on Sun, Mon and Sat"_s;
    QTest::newRow("other trigger") << TriggerType::Logon << u"2024-07-05T07:03:09"_s << 0 << u"None of three"_s
                                   << u"None of three"_s;
    QTest::newRow("boundary without digits")
        << TriggerType::Once << u"garbage"_s << 0 << u"Once"_s << u"12:00:00 AM on 0000/00/00"_s;
}

void TestTaskReader::buildsDisplayTexts()
{
    QFETCH(TriggerType, type);
    QFETCH(QString, boundary);
    QFETCH(int, days);
    QFETCH(QString, frequency);
    QFETCH(QString, start);

    FakeTaskService service;
    service.addTask(planTask(u"AMPCTL0"_s, type, boundary, planArguments(m_saver), days));
    const QList<TimeSchedule> schedules = readScheduledTasks(service, *m_store);
    QCOMPARE(schedules.size(), 1);
    QCOMPARE(schedules.first().frequencyText, frequency);
    QCOMPARE(schedules.first().startText, start);
    QCOMPARE(schedules.first().daysOfWeek, type == TriggerType::Weekly ? days : 0);
}

// Tasks of a plan known gone are deleted after the read; a failing plan store or an unreachable
// task service deletes nothing.
void TestTaskReader::deletesOnlyTasksOfPlansKnownGone()
{
    const QUuid gone = QUuid::createUuid();
    FakeTaskService service;
    service.addTask(planTask(u"AMPCTL0"_s, TriggerType::Daily, u"2024-07-05T07:03:09"_s, planArguments(gone)));
    service.addTask(planTask(u"AMPCTL1"_s, TriggerType::Daily, u"2024-07-05T07:03:09"_s, planArguments(m_saver)));
    service.addTask(planTask(u"ampctl2"_s, TriggerType::Daily, u"2024-07-05T07:03:09"_s, planArguments(gone)));
    service.addTask(planTask(u"AMPCTL3"_s, TriggerType::Once, u"2024-07-05T07:03:09"_s, planArguments(gone)));

    const SilentStore failing;
    const QList<TimeSchedule> kept = readScheduledTasks(service, failing);
    QCOMPARE(namesOf(kept), QStringList({ u"AMPCTL0"_s, u"AMPCTL1"_s, u"AMPCTL3"_s }));
    QVERIFY(kept.first().planName.isEmpty());
    service.setUnreachable(true);
    QVERIFY(readScheduledTasks(service, *m_store).isEmpty());
    QVERIFY(service.deleteCalls().isEmpty());

    service.setUnreachable(false);
    QCOMPARE(namesOf(readScheduledTasks(service, *m_store)), QStringList({ u"AMPCTL1"_s }));
    QCOMPARE(service.deleteCalls(), QStringList({ u"AMPCTL0"_s, u"AMPCTL3"_s }));
    QVERIFY(service.task(u"ampctl2"_s));
    QCOMPARE(service.tasks().size(), 2);
}

QTEST_GUILESS_MAIN(TestTaskReader)
#include "TestTaskReader.moc"
