// SPDX-License-Identifier: GPL-3.0-or-later
// What the user does to many things at once takes one change: an editor save and a delete of
// several plans replace the plan store once, and the selected schedules are enabled, disabled or
// removed in one batch of the task folder.
#include "MessageBox.h"
#include "NetworkScheduleFile.h"
#include "PageTestSupport.h"
#include "PlanEditing.h"
#include "PlanEditorDialog.h"
#include "PlanListPage.h"
#include "SchedulesPage.h"
#include "SchemeStore.h"
#include "SharedStrings.h"

#include <QFileInfo>
#include <QLineEdit>
#include <sys/inotify.h>
#include <unistd.h>

using PlanCatalogue::findPlan;
using PlanCatalogue::loadPowerPlans;
using PlanEditing::createPlan;
using Program::sharedStrings;

using namespace Qt::Literals::StringLiterals;

namespace {

// Counts the times a file is put in place by a rename, as an atomic replace does it, and the
// times it is written where it is.
class ReplaceCounter
{
public:
    explicit ReplaceCounter(const QString &path)
        : m_name(QFileInfo(path).fileName().toUtf8())
        , m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        inotify_add_watch(
            m_fd, QFile::encodeName(QFileInfo(path).absolutePath()).constData(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~ReplaceCounter() { ::close(m_fd); }

    // Replaces and writes since the last call: {renames, writes in place}.
    std::pair<int, int> take()
    {
        std::pair<int, int> counts;
        alignas(inotify_event) char buffer[8192];
        for (ssize_t got; (got = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->len > 0 && m_name == event->name)
                    ++((event->mask & IN_MOVED_TO) ? counts.first : counts.second);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return counts;
    }

private:
    QByteArray m_name;
    int m_fd;
};

} // namespace

class TestBulkActions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_pages.start("[Ampora]\n"); }
    void editorSaveAndDeletingSeveralPlansReplaceTheStoreOnce()
    {
        SchemeStore store(sharedStrings().schemeStoreFile);
        const QUuid balanced = store.activeScheme().value();
        QList<QUuid> made;
        for (const QString &name : { u"Travel"_s, u"Quiet"_s, u"Night"_s })
            made.append(createPlan(store, balanced, name).value());
        ReplaceCounter replaces(sharedStrings().schemeStoreFile);

        // A new name and every value, as the editor saves them.
        {
            PlanEditorDialog editor(PlanEditorDialog::Mode::Edit, made.first(), m_pages.services(&store));
            editor.show();
            editor.findChild<QLineEdit *>(u"nameBox"_s)->setText(u"On the road"_s);
            MessageBox::setNextAnswer(QMessageBox::Ok);
            QTest::keyClick(editor.findChild<PictureButton *>(u"saveButton"_s), Qt::Key_Space);
            QCOMPARE(store.friendlyName(made.first()).value(), u"On the road"_s);
        }
        QCOMPARE(replaces.take(), std::make_pair(1, 0));

        // The three plans made, selected with the active one: the active one is refused and kept.
        const auto page = m_pages.makePage<PlanListPage>(&store);
        WAIT_FOR_RELOAD(*page);
        selectRows(*page, { 0, 3, 4, 5 });
        MessageBox::takeShownTexts();
        MessageBox::setNextAnswer(QMessageBox::Yes);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(listOf(*page), Qt::Key_Delete);
        QCOMPARE(MessageBox::takeShownTexts().size(), 2);
        QCOMPARE(replaces.take(), std::make_pair(1, 0));
        QCOMPARE(store.schemes().value().size(), 3);
        QCOMPARE(listOf(*page)->topLevelItemCount(), 3);
    }

    void selectedSchedulesChangeInOneBatch()
    {
        FakePowerPlatform &platform = *m_pages.platform;
        FakeTaskService &tasks = *m_pages.tasks;
        const QUuid balanced = platform.addScheme(u"Balanced"_s);
        const QUuid saver = platform.addScheme(u"Power saver"_s);
        const PowerPlanList plans = loadPowerPlans(platform).value();
        QVERIFY(schedulePlan(tasks, plans, saver));
        QVERIFY(
            schedulePlan(tasks, plans, saver, PlanTaskWriter::Kind::Daily, QDateTime(QDate(2030, 1, 1), QTime(9, 0))));
        const QUuid office = QUuid::createUuid();
        QVERIFY(saveNetworkSchedule(platform, { u"Office"_s, office, true }, plans.at(*findPlan(plans, balanced))));
        const QStringList names { tasks.tasks().at(0).name, tasks.tasks().at(1).name };
        const auto page = m_pages.makePage<SchedulesPage>();
        WAIT_FOR_RELOAD(*page);
        ReportList *list = listOf(*page);

        // Disable reaches every selected row, the tasks among them in one call.
        selectRows(*page, { 0, 1, 2 });
        QTest::mouseClick(buttonOf(*page, u"disableSchedule"_s), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(tasks.batchCalls().size(), 1);
        const QStringList shown = tasks.batchCalls().constFirst(); // top row first
        QCOMPARE(QSet<QString>(shown.cbegin(), shown.cend()), QSet<QString>(names.cbegin(), names.cend()));
        QVERIFY(!tasks.task(names.at(0))->enabled && !tasks.task(names.at(1))->enabled);
        QVERIFY(!readNetworkSchedules(platform).constFirst().enabled);
        QVERIFY(!list->isChecked(0) && !list->isChecked(1) && !list->isChecked(2));

        // Removed from the last row up, in one call too.
        selectRows(*page, { 0, 1, 2 });
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(tasks.batchCalls().last(), (QStringList { shown.at(1), shown.at(0) }));
        QVERIFY(tasks.tasks().isEmpty() && readNetworkSchedules(platform).isEmpty());
        QCOMPARE(list->topLevelItemCount(), 0);
    }

private:
    PageFixture m_pages;
};

QTEST_MAIN(TestBulkActions)
#include "TestBulkActions.moc"
