// SPDX-License-Identifier: GPL-3.0-or-later
// Plans carried between two plan stores by the ampctl program: export, then import elsewhere.
#include "AmpctlRun.h"
#include "PlanEditing.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QRegularExpression>
#include <QTest>

using Program::sharedStrings;

using namespace Qt::Literals::StringLiterals;

namespace {

// What show prints of a plan but its GUID and whether it is active, which the other store decides.
QString shown(const QString &plan, const QStringList &environment = {})
{
    const AmpctlRun run = runAmpctlBinary({ u"show"_s, plan }, environment);
    if (run.status != 0)
        return u"failed: "_s + run.err;
    return QString(run.out).remove(QRegularExpression(u"^(GUID|Active):.*\n"_s, QRegularExpression::MultilineOption));
}

} // namespace

class TestAmpctlTransfer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnvironment>(); }

    void plansTravelToAnotherStoreUnchanged()
    {
        // Quotes, brackets, right-to-left text and the longest name the store takes.
        const QString hostile = u"\"Quoted\" [bracketed] = سفر עברית "_s.leftJustified(kMaxPlanNameLength, u'x');
        QCOMPARE(runAmpctlBinary({ u"create"_s, QString(300, u'n') }).status, 2);
        QCOMPARE(runAmpctlBinary({ u"create"_s, hostile, u"--from"_s, u"Power saver"_s }).status, 0);
        QCOMPARE(runAmpctlBinary({ u"describe"_s, hostile, u"Said \"so\" [here]; مرحبا"_s }).status, 0);
        QCOMPARE(runAmpctlBinary({ u"set-value"_s, hostile, u"display-off"_s, u"--ac"_s, u"1h 30min"_s }).status, 0);

        // The other store starts with the default plans too: their names are freed first.
        const QStringList elsewhere { u"XDG_CONFIG_HOME="_s + m_env->path(u"elsewhere"_s) };
        const QStringList plans { u"Balanced"_s, u"High performance"_s, u"Power saver"_s, hostile };
        for (const QString &plan : plans.first(3))
            QCOMPARE(runAmpctlBinary({ u"rename"_s, plan, plan + u" as it was"_s }, elsewhere).status, 0);
        for (const QString &plan : plans) {
            const QString file = m_env->path(u"travel.ini"_s);
            QCOMPARE(runAmpctlBinary({ u"export"_s, plan, file }).status, 0);
            const AmpctlRun imported = runAmpctlBinary({ u"import"_s, file }, elsewhere);
            QVERIFY2(imported.status == 0, qPrintable(imported.err));
            QCOMPARE(shown(plan, elsewhere), shown(plan));
        }

        // Standard output to standard input; a GUID can be kept once.
        const AmpctlRun exported = runAmpctlBinary({ u"export"_s, hostile, u"-"_s });
        const auto importFromInput = [&](const QStringList &arguments) {
            const std::unique_ptr<QProcess> process
                = startAmpctlBinary(QStringList { u"import"_s, u"-"_s } + arguments, elsewhere);
            process->write(exported.out.toUtf8());
            process->closeWriteChannel();
            return finishAmpctlBinary(*process);
        };
        QCOMPARE(importFromInput({ u"--name"_s, u"Second"_s }).status, 0);
        QCOMPARE(shown(u"Second"_s, elsewhere), shown(hostile).replace(hostile, u"Second"_s));
        const AmpctlRun kept = importFromInput({ u"--name"_s, u"Third"_s, u"--keep-guid"_s });
        QCOMPARE(kept.out, exported.out.section(u"GUID="_s, 1, 1).section(u'\n', 0, 0) + u'\n');
        QCOMPARE(importFromInput({ u"--name"_s, u"Fourth"_s, u"--keep-guid"_s }).status, 4);

        // One bad value refuses the whole file, and the store is left as it was.
        const QByteArray before = TestEnvironment::readFile(m_env->path(u"elsewhere/ampora/schemes.ini"_s));
        const QString bad = m_env->writeFile(
            u"bad.ini"_s, QString(exported.out).replace(u"brightness=40%"_s, u"brightness=bright"_s).toUtf8());
        const AmpctlRun refused = runAmpctlBinary({ u"import"_s, bad, u"--name"_s, u"Fourth"_s }, elsewhere);
        QCOMPARE(refused.status, 8);
        QCOMPARE(refused.err.count(u'\n'), 2);
        QVERIFY2(refused.err.startsWith(u"ampctl: "_s + bad + u":31: bad value \"bright\" for brightness"_s),
            qPrintable(refused.err));
        QCOMPARE(TestEnvironment::readFile(m_env->path(u"elsewhere/ampora/schemes.ini"_s)), before);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

QTEST_GUILESS_MAIN(TestAmpctlTransfer)
#include "TestAmpctlTransfer.moc"
