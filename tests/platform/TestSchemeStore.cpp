// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileLock.h"
#include "FileSizeLimit.h"
#include "Guid.h"
#include "PlanCatalogue.h"
#include "PlanEditing.h"
#include "PowerSettings.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "StderrCapture.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <signal.h>

using Guid::guidToText;
using PlanCatalogue::loadPowerPlans;
using PowerSettings::defaultPlans;
using PowerSettings::powerSettingRows;
using Program::sharedStrings;

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

using StoreOperation = std::function<Result<>(SchemeStore &)>;

namespace {

const QUuid kBalanced = defaultPlans()[0].guid;
const QUuid kHighPerformance = defaultPlans()[1].guid;
const QUuid kPowerSaver = defaultPlans()[2].guid;
// The hand-written fixture calls its second plan "Quiet" under the power saver's GUID.
const QUuid kQuiet = kPowerSaver;
const QStringList kDefaultNames { u"Balanced"_s, u"High performance"_s, u"Power saver"_s };

QByteArray fixture(const QString &name)
{
    return TestEnvironment::readFile(TestEnvironment::sourceFile(u"platform/data/"_s + name));
}

// The names of the plans listed, or one line saying why there is no list.
QStringList namesOf(const Result<PowerPlanList> &list)
{
    if (!list)
        return { u"failed: "_s + list.failure().message };
    QStringList names;
    for (const PowerPlan &plan : *list)
        names.append(plan.planName);
    return names;
}

QList<QUuid> enumerate(const PowerPlatform &platform)
{
    return platform.schemes().valueOr({});
}

// Every value of the table, AC then DC per row; unreadable values show as 0xFFFFFFFF.
QList<quint32> valuesOf(const PowerPlatform &platform, const QUuid &scheme)
{
    QList<quint32> values;
    for (const PowerSettingRow &row : powerSettingRows()) {
        for (const PowerSource source : { PowerSource::Ac, PowerSource::Dc }) {
            values.append(platform.valueIndex(source, scheme, row.subgroup, row.setting).valueOr(0xFFFFFFFF));
        }
    }
    return values;
}

QList<quint32> seedValuesOf(const DefaultPlan &plan)
{
    QList<quint32> values;
    for (const PowerSettingRow &row : powerSettingRows())
        values << (row.*plan.values).ac << (row.*plan.values).dc;
    return values;
}

QString nameOf(const PowerPlatform &platform, const QUuid &scheme)
{
    return platform.friendlyName(scheme).valueOr({});
}

QUuid activeOf(const PowerPlatform &platform)
{
    return platform.activeScheme().valueOr({});
}

// A store that needs a repair: the user's own names and active plan, a line that is no entry and
// no comment header, so that the repaired file comes out larger than the damaged one.
QByteArray damagedUserStore()
{
    return fixture(u"schemes-damaged-user.ini"_s);
}

const QStringList kUserNames { u"Everyday"_s, u"High performance"_s, u"Quiet hours"_s };

} // namespace

class TestSchemeStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_environment = std::make_unique<TestEnvironment>();
        m_path = sharedStrings().schemeStoreFile;
    }

    void fileFormat_data()
    {
        QTest::addColumn<QString>("input"); // none: the first use; reading alone is the fuzzer's
        QTest::addColumn<StoreOperation>("operation");
        QTest::addColumn<QString>("expected");
        const QString input = u"schemes-input.ini"_s;
        QTest::newRow("seeding") << QString() << StoreOperation([](SchemeStore &s) {
            return namesOf(loadPowerPlans(s)) == kDefaultNames && activeOf(s) == kBalanced ? Result<>()
                                                                                           : failed(u"wrong plans"_s);
        }) << u"schemes-seeded.ini"_s;
        // Each edit changes its own line, and only that.
        QTest::newRow("edits") << input << StoreOperation([](SchemeStore &s) {
            const bool edited = s.setActiveScheme(kQuiet) && s.writeFriendlyName(kQuiet, u"Quiet nights"_s)
                && s.writeDescription(kBalanced, u"Long battery life; quiet fans"_s)
                && s.writeValueIndex(
                    PowerSource::Ac, kBalanced, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT, 0xFFFFFFFF)
                && s.writeValueIndex(PowerSource::Dc, kQuiet, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT, 60);
            return edited ? Result<>() : failed(u"an edit failed"_s);
        }) << u"schemes-after-edits.ini"_s;
        QTest::newRow("duplicate") << input << StoreOperation([](SchemeStore &s) {
            return Result<>::from(s.duplicateScheme(kBalanced));
        }) << u"schemes-after-duplicate.ini"_s;
        QTest::newRow("delete") << input << StoreOperation([](SchemeStore &s) { return s.deleteScheme(kQuiet); })
                                << u"schemes-after-delete.ini"_s;
    }

    void fileFormat()
    {
        QFETCH(QString, input);
        QFETCH(StoreOperation, operation);
        QFETCH(QString, expected);
        QTest::failOnWarning(QRegularExpression(u".*"_s));
        if (!input.isNull())
            m_environment->writeFile(m_path, fixture(input));
        SchemeStore store(m_path);

        QVERIFY(operation(store).ok());

        // A new plan's GUID is random; the expected file calls it {NEW}.
        QByteArray written = TestEnvironment::readFile(m_path);
        for (const QUuid &scheme : enumerate(store)) {
            if (scheme != kBalanced && scheme != kQuiet && scheme != kHighPerformance)
                written.replace(guidToText(scheme).toLatin1(), "{NEW}");
        }
        QCOMPARE(written, fixture(expected));
        QCOMPARE(storeFolderEntries(), QStringList { u"schemes.ini"_s });
    }

    // Texts that look like the file's own syntax are kept exactly, as another store reads them from the
    // file alone; a value holding a NUL character cannot be written back as a line: the copy must
    // fail, not report success without the copy.
    void textsAreKeptExactlyOrTheCopyFails()
    {
        seed();
        const QStringList texts { u"["_s + guidToText(kBalanced) + u"]"_s, u"Active="_s + guidToText(kPowerSaver),
            u"x=y]=[z"_s, QString(200, u'n') + u"=["_s };
        QStringList expected;
        {
            SchemeStore store(m_path);
            for (const QString &text : texts) {
                const Result<QUuid> copy = store.duplicateScheme(kBalanced);
                QVERIFY(copy && store.writeFriendlyName(*copy, text) && store.writeDescription(*copy, text));
                expected.append(text + u'|' + text);
            }
        }
        SchemeStore reread(m_path);
        QStringList read;
        for (const QUuid &plan : enumerate(reread).mid(3))
            read.append(nameOf(reread, plan) + u'|' + reread.description(plan).valueOr({}));
        QCOMPARE(read, expected);
        const QByteArray written = TestEnvironment::readFile(m_path);
        // A description past the limit is refused whole.
        QVERIFY(reread.writeDescription(kBalanced, QString(kMaxPlanDescriptionLength + 1, u'n'))
                    .failedWith(Failure::Kind::Invalid));
        QCOMPARE(TestEnvironment::readFile(m_path), written);

        QByteArray input = fixture(u"schemes-input.ini"_s);
        const qsizetype description = input.indexOf("Description=");
        QVERIFY(description > 0);
        input.insert(description + 12, QByteArray("bad\0byte", 8));
        m_environment->writeFile(m_path, input);
        SchemeStore store(m_path);
        QCOMPARE(namesOf(loadPowerPlans(store)).size(), 2);
        const Result<QUuid> copy = store.duplicateScheme(kBalanced);
        QVERIFY(copy.failedWith(Failure::Kind::Invalid));
        QCOMPARE(TestEnvironment::readFile(m_path), input);
        QCOMPARE(enumerate(store).size(), 2);
    }

    void damagedStoreKeepsEveryReadablePlan_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("plansKept"); // in the file: the default plans come back when none could be read
        const QByteArray seeded = fixture(u"schemes-seeded.ini"_s);
        const QByteArray activeLine = "Active={381B4222-F694-41F0-9685-FF5BB260DF2E}\n";
        QVERIFY(seeded.contains(activeLine));

        const QByteArray cut = seeded.left(seeded.lastIndexOf("\nDC/") + 12);
        QTest::newRow("cut off mid-line")
            << cut << u"line %1 is not an entry"_s.arg(cut.count('\n') + 1) << kDefaultNames << 3;
        const QByteArray cutHeader = seeded.left(seeded.lastIndexOf("\n[{") + 10);
        QTest::newRow("cut off in a section name")
            << cutHeader << u"line %1 is not an entry"_s.arg(cutHeader.count('\n') + 1)
            << QStringList { u"Balanced"_s, u"High performance"_s } << 2;
        QTest::newRow("a bad byte in one name")
            << QByteArray(seeded).replace("Name=Balanced", "Name=Bal\xC3\x28nced") << u"it is not valid UTF-8 text"_s
            << QStringList { u"Bal\uFFFD(nced"_s, u"High performance"_s, u"Power saver"_s } << 3;
        QTest::newRow("Active names a missing scheme")
            << QByteArray(seeded).replace(activeLine, "Active={0BADBAD0-1111-2222-3333-444444444444}\n")
            << u"its active plan \\{0BADBAD0-1111-2222-3333-444444444444\\} is not one of its plans"_s << kDefaultNames
            << 3;
        QTest::newRow("empty") << QByteArray() << u"it holds no plans"_s << kDefaultNames << 0;
    }

    void damagedStoreKeepsEveryReadablePlan()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        QFETCH(QStringList, names);
        QFETCH(int, plansKept);
        m_environment->writeFile(m_path, content);
        const QString path = QRegularExpression::escape(m_path);
        const QRegularExpression report(u"^ampora: the plan store "_s + path + u" was damaged \\("_s + reason
            + u"\\); it was kept as "_s + path
            + u"\\.corrupt-[0-9-]+ and its %1 readable plans were saved\n$"_s.arg(plansKept));

        SchemeStore store(m_path);
        {
            StderrCapture stderrLines;
            QCOMPARE(namesOf(loadPowerPlans(store)), names);
            QVERIFY2(report.match(QString::fromUtf8(stderrLines.text())).hasMatch(), stderrLines.text().constData());
        }
        // The plans that could be read keep every value; a readable plan is active.
        for (const DefaultPlan &plan : defaultPlans()) {
            const bool cutShort = QByteArray(QTest::currentDataTag()) == "cut off mid-line" && plan.guid == kPowerSaver;
            if (enumerate(store).contains(plan.guid) && !cutShort)
                QCOMPARE(valuesOf(store, plan.guid), seedValuesOf(plan));
        }
        QVERIFY(enumerate(store).contains(activeOf(store)));
        // Kept aside once, as it was, and repaired to read clean: the state file fuzzer checks that.
    }

    void changesAreAllOrNothingWithinTheRules()
    {
        SchemeStore store(m_path);
        seed();
        const QUuid fresh = QUuid::createUuid();
        SchemeChanges changes;
        changes.plans.append({ fresh, kPowerSaver, u"  Travel "_s, u"For trains"_s,
            { { PowerSource::Dc, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT, 42 } } });
        changes.plans.append({ kBalanced, std::nullopt, u"Everyday"_s, std::nullopt, {} });
        changes.deletions.append(kHighPerformance);
        QVERIFY(store.changeSchemes(changes));
        QCOMPARE(namesOf(loadPowerPlans(store)), (QStringList { u"Everyday"_s, u"Power saver"_s, u"Travel"_s }));
        QCOMPARE(store.description(fresh).valueOr({}), u"For trains"_s);
        QList<quint32> expected = valuesOf(store, kPowerSaver);
        expected[2 * 4 + 1] = 42; // display off, on battery
        QCOMPARE(valuesOf(store, fresh), expected);

        // Whatever part is refused, the file stays exactly as it was.
        const QByteArray before = TestEnvironment::readFile(m_path);
        const auto refuses = [&](const SchemeChanges &refused, Failure::Kind kind) {
            const Result<> outcome = store.changeSchemes(refused);
            return outcome.failedWith(kind) && TestEnvironment::readFile(m_path) == before;
        };
        const auto rename = [](const QUuid &plan, const QString &name) {
            return SchemeChanges { { { plan, std::nullopt, name, std::nullopt, {} } }, {} };
        };
        SchemeChanges goneInTheMiddle = rename(fresh, u"Road"_s);
        goneInTheMiddle.deletions.append(kHighPerformance);
        QVERIFY(refuses(goneInTheMiddle, Failure::Kind::NotFound));
        QVERIFY(refuses(rename(fresh, u"everyday "_s), Failure::Kind::AlreadyExists));
        QVERIFY(refuses(rename(fresh, u"Eco\x1b[31m"_s), Failure::Kind::Invalid));
        QVERIFY(refuses(
            SchemeChanges { { { fresh, kBalanced, u"Twin"_s, std::nullopt, {} } }, {} }, Failure::Kind::AlreadyExists));
        QVERIFY(refuses(SchemeChanges { {}, { kBalanced } }, Failure::Kind::Invalid)); // the active plan
        QVERIFY(store.writeFriendlyName(kBalanced, u"EVERYDAY"_s)); // its own name in another case

        // A store that would grow past what any reader takes is refused whole, with the reason.
        const QString longest(kMaxPlanDescriptionLength, QChar(0x20AC)); // three bytes each in UTF-8
        SchemeChanges tooMany;
        for (int n = 0; n < 1200; ++n) // about 8.3 kB each
            tooMany.plans.append(
                { QUuid::createUuid(), kPowerSaver, QString(200, u'x') + QString::number(n), longest, {} });
        const QByteArray beforeGrowth = TestEnvironment::readFile(m_path);
        const Result<> grown = store.changeSchemes(tooMany);
        QVERIFY(grown.failedWith(Failure::Kind::Failed));
        QVERIFY2(grown.failure().message.contains(u"would grow past 8 MiB"_s), qPrintable(grown.failure().message));
        QCOMPARE(TestEnvironment::readFile(m_path), beforeGrowth);
        tooMany.plans.resize(500);
        QVERIFY(store.changeSchemes(tooMany));
        QCOMPARE(SchemeStore(m_path).schemes().valueOr({}).size(), 3 + 500);
    }

    // A lock another holds refuses the change in bounded time, naming the holder; nothing left in
    // the lock's place (by a killed holder of an older lock, or planted) blocks a change; and the
    // plans are the user's alone.
    void lockIsHeldBriefAndLeftoversNeverBlock()
    {
        SchemeStore store(m_path);
        seed();
        const QString lockPath = m_path + u".lock"_s;
        {
            const Result<FileLock> held = FileLock::acquire(lockPath, u"the test's lock"_s, 0ms);
            QVERIFY(held);
            const Result<> refused = store.setActiveScheme(kPowerSaver);
            QVERIFY(refused.failedWith(Failure::Kind::Failed));
            QVERIFY2(refused.failure().message.contains(
                         u"(process %1) kept the lock of the plan store"_s.arg(QCoreApplication::applicationPid())),
                qPrintable(refused.failure().message));
            QCOMPARE(activeOf(store), kBalanced);
        }

        const QString outside = folder() + u"/../outside"_s;
        m_environment->writeFile(outside, "keep");
        QVERIFY(QFile::remove(lockPath));
        QVERIFY(QFile::link(outside, lockPath));
        QString chain = lockPath;
        for (int n = 0; n < 30; ++n) { // as far as a file name reaches
            chain += u".rmlock"_s;
            m_environment->writeFile(chain, "999999\nampora\n\n");
        }
        QVERIFY(store.setActiveScheme(kPowerSaver));
        QCOMPARE(activeOf(store), kPowerSaver);
        QCOMPARE(TestEnvironment::readFile(outside), QByteArray("keep"));
        QVERIFY(!QFileInfo(lockPath).isSymLink());

        for (const QString &path : { m_path, lockPath, folder() }) // closed to group and others
            QVERIFY2(!(QFile::permissions(path) & 0x0077), qPrintable(path));
    }

    // Creating copies name and describes them in the one replace that makes them: a process killed at
    // any moment leaves a complete plan or none, never a second plan under its source's name.
    void killedCreatesLeaveNoDuplicateAndLoseNothing()
    {
        seed();
        QSet<QUuid> kept { kBalanced, kHighPerformance, kPowerSaver };
        for (int run = 0; run < 300; ++run) {
            killMidStep({ u"create"_s, m_path, guidToText(kBalanced), u"Run %1"_s.arg(run), u"1000"_s });
            if (QTest::currentTestFailed())
                return;
            StderrCapture stderrLines;
            SchemeStore store(m_path);
            const Result<PowerPlanList> plans = loadPowerPlans(store);
            QVERIFY2(plans, qPrintable(plans.failure().message));
            QCOMPARE(stderrLines.text(), QByteArray()); // never damaged
            QSet<QString> names;
            for (const PowerPlan &plan : *plans) {
                QVERIFY2(!names.contains(plan.planName.toCaseFolded()), qPrintable(plan.planName));
                names.insert(plan.planName.toCaseFolded());
                if (!kept.contains(plan.planGuid))
                    QCOMPARE(plan.planDescription, kCreatedPlanDescription.toString());
            }
            const QList<QUuid> schemes = store.schemes().valueOr({});
            for (const QUuid &plan : std::as_const(kept))
                QVERIFY(schemes.contains(plan));
            kept = QSet<QUuid>(schemes.cbegin(), schemes.cend());
        }
    }

    void changesByAnyoneAreSeenAndReportedOnce()
    {
        seed();
        SchemeStore watched(m_path);
        QSignalSpy spy(&watched, &PowerPlatform::schemesChanged);
        SchemeStore other(m_path);

        QVERIFY(other.setActiveScheme(kPowerSaver));
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(activeOf(watched), kPowerSaver);

        // An edit in place that keeps the inode and the size, as a text editor might make it later on:
        // only the watch on the (replaced) file sees it, and only the file's times tell it apart.
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray edited = file.readAll().replace("Name=Power saver", "Name=Power sever");
        QVERIFY(file.seek(0));
        QCOMPARE(file.write(edited), edited.size());
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        file.close();
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(nameOf(watched, kPowerSaver), u"Power sever"_s);

        // The store's own changes are reported too, as the active-plan notification always was.
        QVERIFY(watched.setActiveScheme(kHighPerformance));
        QTRY_COMPARE(spy.count(), 3);
    }

    // Two processes switch and rename while this one saves a plan as the editor does (a new name and
    // every value at once) through a store that a thread of its own reads meanwhile; a third process
    // reads that section straight from the file and must never see one save's name with another's values.
    void threadsAndProcessesAtOnceLoseNothing()
    {
        const auto save = [](SchemeStore &store, quint32 n) {
            SchemeChanges::Plan plan { kBalanced, std::nullopt, u"Save %1"_s.arg(n), u"Note %1"_s.arg(n), {} };
            for (const PowerSettingRow &row : powerSettingRows()) {
                for (const PowerSource source : { PowerSource::Ac, PowerSource::Dc })
                    plan.values.append({ source, row.subgroup, row.setting, n });
            }
            return store.changeSchemes(SchemeChanges { { plan }, {} }).ok();
        };
        SchemeStore seeded(m_path);
        QVERIFY(save(seeded, 0)); // before the watcher's first look
        QProcess watcher;
        watcher.start(QString::fromUtf8(STORE_WORKER), { u"watch"_s, m_path, guidToText(kBalanced) });
        QVERIFY(watcher.waitForReadyRead(30000));
        QProcess first;
        QProcess second;
        first.start(QString::fromUtf8(STORE_WORKER),
            { u"switch"_s, m_path, guidToText(kBalanced), guidToText(kHighPerformance), guidToText(kPowerSaver),
                u"first"_s, u"100"_s });
        second.start(QString::fromUtf8(STORE_WORKER),
            { u"switch"_s, m_path, guidToText(kHighPerformance), guidToText(kBalanced), guidToText(kHighPerformance),
                u"second"_s, u"100"_s });
        {
            SchemeStore store(m_path);
            std::atomic<bool> writing { true };
            std::atomic<int> loads { 0 };
            std::atomic<int> incomplete { 0 };
            std::unique_ptr<QThread> reader(QThread::create([&] {
                do {
                    incomplete += namesOf(loadPowerPlans(store)).size() == 3 ? 0 : 1;
                    ++loads;
                } while (writing);
            }));
            reader->start();
            int failures = 0;
            for (quint32 n = 1; n < 100; ++n)
                failures += save(store, n) ? 0 : 1;
            failures += store.writeFriendlyName(kBalanced, u"Done"_s) ? 0 : 1;
            writing = false;
            QVERIFY(reader->wait());
            QCOMPARE(failures, 0);
            QCOMPARE(incomplete.load(), 0);
            QVERIFY(loads > 0);
        }
        for (QProcess *process : { &watcher, &first, &second }) {
            QVERIFY(process->waitForFinished(240000));
            QCOMPARE(process->readAllStandardError(), QByteArray());
            QCOMPARE(process->exitCode(), 0);
        }

        QTest::failOnWarning(QRegularExpression(u".*"_s));
        SchemeStore store(m_path);
        QCOMPARE(enumerate(store), (QList<QUuid> { kBalanced, kHighPerformance, kPowerSaver }));
        QCOMPARE(nameOf(store, kBalanced), u"Done"_s);
        QCOMPARE(store.description(kBalanced).valueOr({}), u"Note 99"_s);
        QCOMPARE(valuesOf(store, kBalanced), QList<quint32>(qsizetype(powerSettingRows().size() * 2), 99));
        QCOMPARE(nameOf(store, kHighPerformance), u"second 99"_s);
        QCOMPARE(nameOf(store, kPowerSaver), u"first 99"_s);
        QVERIFY(activeOf(store) == kBalanced || activeOf(store) == kHighPerformance);
        for (const DefaultPlan &plan : defaultPlans().subspan(1))
            QCOMPARE(valuesOf(store, plan.guid), seedValuesOf(plan));
        QCOMPARE(storeFolderEntries(), QStringList { u"schemes.ini"_s });
    }

    void repairThatCannotFinishChangesNothing()
    {
        // A full disk, as a file size limit makes it: first the copy aside cannot be made, then the
        // copy can but the repaired store cannot. Either way the damaged store stays as it is, no
        // default plan takes its place, and nothing claims that the plans were saved.
        const QByteArray damaged = damagedUserStore();
        const QByteArray line = "line " + QByteArray::number(damaged.count('\n')) + " is not an entry";
        for (const rlim_t limit : { rlim_t(damaged.size() / 2), rlim_t(damaged.size()) }) {
            m_environment->writeFile(m_path, damaged);
            QByteArray lines;
            {
                SchemeStore store(m_path);
                StderrCapture stderrLines;
                const FileSizeLimit full(limit);
                QVERIFY(full.isSet());
                QCOMPARE(namesOf(loadPowerPlans(store)), kUserNames);
                QCOMPARE(activeOf(store), kPowerSaver);
                const Result<> change = store.setActiveScheme(kBalanced);
                QVERIFY(change.failedWith(Failure::Kind::Failed));
                QVERIFY2(change.failure().message.contains(u"File too large"_s), qPrintable(change.failure().message));
                lines = stderrLines.text();
            }
            QVERIFY2(lines.contains(QByteArray("the plan store " + QFile::encodeName(m_path) + " is damaged (" + line
                         + ") and could not be repaired: "))
                    && lines.contains("File too large") && !lines.contains("saved"),
                lines.constData());
            QCOMPARE(TestEnvironment::readFile(m_path), damaged);
            QCOMPARE(storeFolderEntries(), QStringList { u"schemes.ini"_s });
        }
    }

    void repairKilledAtAnyMomentLosesNoPlan()
    {
        // Another process repairs the store over and over and is killed at a random moment: whatever
        // it was doing, the next reader finds every plan of the user and the user's active plan.
        // A lock file that a writer killed while making it left empty does not hold up the next one.
        m_environment->writeFile(m_path, damagedUserStore());
        {
            QFile emptyLock(m_path + u".lock"_s);
            QVERIFY(emptyLock.open(QIODevice::WriteOnly));
            QVERIFY(emptyLock.setFileTime(QDateTime::currentDateTime().addSecs(-2), QFileDevice::FileModificationTime));
        }
        QCOMPARE(namesOf(loadPowerPlans(SchemeStore(m_path))), kUserNames);

        const QString damagedCopy = m_environment->writeFile(u"damaged.ini"_s, damagedUserStore());
        for (int run = 0; run < 300; ++run) { // about a minute and a half on a busy machine
            killMidStep({ u"repair"_s, m_path, damagedCopy });
            if (QTest::currentTestFailed())
                return;
            SchemeStore store(m_path);
            QCOMPARE(namesOf(loadPowerPlans(store)), kUserNames);
            QCOMPARE(activeOf(store), kPowerSaver);
            for (const QString &leftover : storeFolderEntries())
                QVERIFY(leftover == u"schemes.ini"_s || QFile::remove(folder() + u'/' + leftover));
        }
    }

private:
    QString folder() const { return QFileInfo(m_path).absolutePath(); }
    // The lock file stays in place by design: the lock is the system's, held on it.
    QStringList storeFolderEntries() const
    {
        QStringList entries = QDir(folder()).entryList(QDir::Files | QDir::Hidden);
        entries.removeOne(u"schemes.ini.lock"_s);
        return entries;
    }

    void seed()
    {
        SchemeStore seeder(m_path);
        QCOMPARE(enumerate(seeder).size(), 3);
    }

    // Runs the store worker until it has made two steps, then kills it at a random moment of the
    // next, which takes about as long as the second did.
    void killMidStep(const QStringList &arguments)
    {
        QProcess worker;
        worker.start(QString::fromUtf8(STORE_WORKER), arguments);
        const auto nextStep = [&worker] {
            while (!worker.canReadLine()) {
                if (!worker.waitForReadyRead(30000))
                    return false;
            }
            return !worker.readLine().isEmpty();
        };
        QVERIFY2(nextStep(), worker.readAllStandardError().constData());
        QElapsedTimer oneStep;
        oneStep.start();
        QVERIFY(nextStep());
        QThread::usleep(QRandomGenerator::global()->bounded(quint32(oneStep.nsecsElapsed() / 1000 + 1)));
        ::kill(pid_t(worker.processId()), SIGKILL);
        QVERIFY(worker.waitForFinished());
    }

    std::unique_ptr<TestEnvironment> m_environment;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestSchemeStore)
#include "TestSchemeStore.moc"
