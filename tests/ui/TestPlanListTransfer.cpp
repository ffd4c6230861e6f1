// SPDX-License-Identifier: GPL-3.0-or-later
// The plan list's menu commands that activate plans and carry them through plan files.
#include "MessageBox.h"
#include "PageTestSupport.h"
#include "PlanEditorDialog.h"
#include "PlanFile.h"
#include "PlanListPage.h"
#include "PlanTransfer.h"
#include "SchemeStore.h"
#include "SharedStrings.h"
#include "SystemPlans.h"

#include <QLineEdit>

using PlanCatalogue::loadPowerPlans;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

class TestPlanListTransfer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_pages.start();
        m_balanced = m_pages.platform->addScheme(u"Balanced"_s);
        m_mine = m_pages.platform->addScheme(u"Mine"_s, u"Quiet \"evenings\" [late]"_s);
        QVERIFY(m_pages.platform->writeValueIndex(
            PowerSource::Dc, m_mine, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT, 180));
        m_pages.platform->setActiveDirectly(m_balanced);
    }

    void activatesExportsAndImportsTheChosenPlan()
    {
        const auto page = m_pages.makePage<PlanListPage>();
        WAIT_FOR_RELOAD(*page);
        QVERIFY(!actionOf(*page, u"exportPlan"_s)->isEnabled());
        selectRows(*page, { 1 });
        actionOf(*page, u"activatePlan"_s)->trigger();
        QCOMPARE(m_pages.platform->activeScheme().valueOr({}), m_mine);

        const QString path = m_pages.env->path(u"mine.ini"_s);
        PlanTransfer::setNextFileAnswer(path);
        actionOf(*page, u"exportPlan"_s)->trigger();
        const QByteArray exported = TestEnvironment::readFile(path);
        QCOMPARE(PlanFile::parse(exported).name(), u"Mine"_s);

        // The name is taken here, so the copy gets the next free one.
        PlanTransfer::setNextFileAnswer(path);
        actionOf(*page, u"importPlan"_s)->trigger();
        WAIT_FOR_RELOAD(*page);
        const PowerPlanList plans = loadPowerPlans(*m_pages.platform).valueOr({});
        QCOMPARE(plans.size(), 3);
        QCOMPARE(plans.at(2).planName, u"Mine (2)"_s);
        QCOMPARE(plans.at(2).planDescription, u"Quiet \"evenings\" [late]"_s);
        QCOMPARE(
            m_pages.platform
                ->valueIndex(PowerSource::Dc, plans.at(2).planGuid, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT)
                .valueOr(0),
            180u);

        // A file with a bad line is refused whole, and the box names the line.
        const QString bad = m_pages.env->writeFile(u"bad.ini"_s, QByteArray(exported).replace("lid=", "lid=fly"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        PlanTransfer::setNextFileAnswer(bad);
        actionOf(*page, u"importPlan"_s)->trigger();
        QVERIFY2(MessageBox::lastText().contains(u"bad.ini:11: bad value"_s), qPrintable(MessageBox::lastText()));
        QCOMPARE(m_pages.platform->schemes().valueOr({}).size(), 3);
    }

    // The administrator's plan is listed with its mark, activated, never edited or deleted; a
    // locked value is greyed in the editor, and a system plan's editor changes nothing.
    void systemWidePlansAreMarkedActivatedAndNotEdited()
    {
        const QUuid office = QUuid::fromString(u"{6A1D35F4-2C57-4F61-9E22-0C7E2B3F2A10}"_s);
        m_pages.env->writeFile(u"xdg/ampora/schemes.ini"_s,
            "[{6A1D35F4-2C57-4F61-9E22-0C7E2B3F2A10}]\nName=Office\n[Locks]\nAC/sleep=never\n");
        SchemeStore store(sharedStrings().schemeStoreFile, SystemPlans::systemFiles());
        const auto page = m_pages.makePage<PlanListPage>(&store);
        WAIT_FOR_RELOAD(*page);
        QCOMPARE(column(*page, 0).at(2), u"Office (system)"_s);
        selectRows(*page, { 2 });
        QVERIFY(!actionOf(*page, u"editPlan"_s)->isEnabled() && !actionOf(*page, u"deletePlan"_s)->isEnabled());
        QVERIFY(actionOf(*page, u"copyPlan"_s)->isEnabled() && actionOf(*page, u"exportPlan"_s)->isEnabled());
        actionOf(*page, u"activatePlan"_s)->trigger();
        QCOMPARE(store.activeScheme().valueOr({}), office);
        WAIT_FOR_RELOAD(*page);
        selectRows(*page, { 0 });
        QVERIFY(actionOf(*page, u"editPlan"_s)->isEnabled());

        m_pages.capabilities.capabilities.batteries = true;
        const Services services { store, *m_pages.tasks, m_pages.networks, m_pages.battery, m_pages.capabilities };
        PlanEditorDialog balanced(PlanEditorDialog::Mode::Edit, store.schemes().value().first(), services);
        const QWidget *locked = balanced.findChild<QWidget *>(u"sleep/ac"_s);
        QVERIFY(!locked->isEnabled());
        QCOMPARE(locked->toolTip(), u"Your administrator set this value for every plan."_s);
        QVERIFY(balanced.findChild<QWidget *>(u"sleep/dc"_s)->isEnabled());
        PlanEditorDialog system(PlanEditorDialog::Mode::Edit, office, services);
        QVERIFY(system.findChild<QLineEdit *>(u"nameBox"_s)->isReadOnly());
        QVERIFY(!system.findChild<QWidget *>(u"display-off/dc"_s)->isEnabled());
    }

private:
    PageFixture m_pages;
    QUuid m_balanced;
    QUuid m_mine;
};

QTEST_MAIN(TestPlanListTransfer)
#include "TestPlanListTransfer.moc"
