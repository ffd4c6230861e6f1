// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportList.h"
#include "TestEnvironment.h"

#include <QHeaderView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum Column { NameColumn, StatusColumn, DescriptionColumn };
enum class Action { Left, Right, Double, DoubleAcross };

} // namespace

// Everything the list reports, in the order it reported it.
class ListReports : public QObject
{
public:
    explicit ListReports(ReportList *list)
    {
        connect(list, &ReportList::rowClicked, this, [this](int row) { add(u"click %1"_s.arg(row)); });
        connect(list, &ReportList::linkClicked, this, [this](int row) { add(u"link %1"_s.arg(row)); });
        connect(list, &ReportList::rowRightClicked, this, [this](const QPoint &point, int row) {
            add(u"right %1 at %2,%3"_s.arg(row).arg(point.x()).arg(point.y()));
        });
        connect(list, &ReportList::rowDoubleClicked, this, [this](const QPoint &point, int row) {
            add(u"double %1 at %2,%3"_s.arg(row).arg(point.x()).arg(point.y()));
        });
        connect(list, &ReportList::keyPressed, this, [this](int key, int row, const QPoint &point) {
            add(u"key %1 row %2 at %3,%4"_s.arg(key).arg(row).arg(point.x()).arg(point.y()));
        });
    }
    QStringList take() { return std::exchange(m_reports, {}); }

private:
    void add(const QString &report) { m_reports.append(report); }
    QStringList m_reports;
};

class TestReportList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_list = new ReportList;
        m_list->setHeaderLabels({ u"Power plan"_s, u"Schedule status"_s, u"Description"_s });
        for (int column = 0; column < 3; ++column)
            m_list->setColumnWidth(column, 120);
        QVERIFY(m_list->setLinkColumn(StatusColumn));
        m_list->resize(420, 260);
        m_list->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_list));
    }

    void cleanup() { delete m_list; }

    void reportsMouseEventsAndKeysWithTheirRow()
    {
        fill({ u"Balanced"_s, u"High performance"_s, u"Power saver"_s });
        ListReports reports(m_list);
        QWidget *viewport = m_list->viewport();
        // Row -1: below the rows. "%1" stands for the screen point of the last click.
        const struct
        {
            Action action;
            int row, column;
            QStringList expected;
        } cases[] = {
            { Action::Left, 0, NameColumn, { u"click 0"_s } },
            { Action::Left, 1, StatusColumn, { u"link 1"_s } },
            { Action::Left, -1, -1, { u"click -1"_s } },
            { Action::Right, 1, StatusColumn, { u"right 1 at %1"_s } },
            { Action::Double, 0, StatusColumn, { u"link 0"_s, u"double 0 at %1"_s } },
            // The second click of a double click may land in the next cell of the row.
            { Action::DoubleAcross, 1, NameColumn, { u"click 1"_s, u"double 1 at %1"_s } },
        };
        for (const auto &c : cases) {
            QPoint point = c.row >= 0 ? cellCentre(c.row, c.column) : belowLastRow();
            if (c.action == Action::Right) {
                QTest::mouseClick(viewport, Qt::RightButton, {}, point);
            } else {
                // What the system delivers for a double click: a click, then the double click.
                QTest::mouseClick(viewport, Qt::LeftButton, {}, point);
                if (c.action == Action::DoubleAcross)
                    point = cellCentre(c.row, c.column + 1);
                if (c.action != Action::Left)
                    QTest::mouseDClick(viewport, Qt::LeftButton, {}, point);
            }
            const QPoint screen = viewport->mapToGlobal(point);
            QStringList expected = c.expected;
            for (QString &line : expected)
                line.replace(u"%1"_s, u"%1,%2"_s.arg(screen.x()).arg(screen.y()));
            QCOMPARE(reports.take(), expected);
            QCOMPARE(m_list->currentRow(), c.row);
            QVERIFY(m_list->hasFocus());
        }

        // Every key is reported with the focused row. The menu key reports where a menu goes: below the left of the
        // focused row, or the list's corner.
        const struct
        {
            int focusedRow;
            Qt::Key key;
            int expectedRow;
            QPoint point;
        } keys[] = {
            { 0, Qt::Key_Down, 1, m_list->mapToGlobal(QPoint(0, 0)) },
            { -1, Qt::Key_F5, -1, m_list->mapToGlobal(QPoint(0, 0)) },
            { 1, Qt::Key_Menu, 1,
                m_list->viewport()->mapToGlobal(
                    m_list->visualItemRect(m_list->topLevelItem(1)).bottomLeft() + QPoint(15, 1 - 10)) },
            { -1, Qt::Key_Menu, -1, m_list->mapToGlobal(QPoint(0, 23)) },
        };
        for (const auto &c : keys) {
            if (c.focusedRow >= 0)
                m_list->setCurrentItem(m_list->topLevelItem(c.focusedRow));
            else
                m_list->setCurrentIndex(QModelIndex());
            reports.take();
            QTest::keyClick(m_list, c.key);
            QCOMPARE(reports.take(),
                QStringList {
                    u"key %1 row %2 at %3,%4"_s.arg(int(c.key)).arg(c.expectedRow).arg(c.point.x()).arg(c.point.y()) });
            QCOMPARE(m_list->currentRow(), c.expectedRow);
        }
    }

    void headerClickSortsAndTurnsTheMark()
    {
        fill({ u"balanced"_s, u"Power saver"_s, u"High performance"_s });
        QHeaderView *header = m_list->header();
        QCOMPARE(header->sortIndicatorSection(), -1);
        const auto clickHeader = [header](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
        };
        // "section order: names", the mark and the rows as the user sees them.
        const auto shown = [&]() -> QString {
            return u"%1 %2: "_s.arg(header->sortIndicatorSection()).arg(int(header->sortIndicatorOrder()))
                + columnTexts(NameColumn).join(u", "_s);
        };
        ListReports reports(m_list);

        clickHeader(NameColumn);
        QCOMPARE(shown(), u"0 0: balanced, High performance, Power saver"_s);
        clickHeader(NameColumn);
        QCOMPARE(shown(), u"0 1: Power saver, High performance, balanced"_s);

        // Another column starts ascending again; equal texts keep their order.
        m_list->topLevelItem(0)->setText(StatusColumn, u"Scheduled"_s);
        clickHeader(StatusColumn);
        QCOMPARE(shown(), u"1 0: High performance, balanced, Power saver"_s);

        m_list->clearSortMark();
        QCOMPARE(shown().section(u' ', 0, 0), u"-1"_s);
        QCOMPARE(columnTexts(NameColumn), (QStringList { u"High performance"_s, u"balanced"_s, u"Power saver"_s }));
        // Header clicks are no list events for the page.
        QVERIFY(reports.take().isEmpty());
    }

    void checkBoxToggledBeforeTheClickOrKeyIsReported()
    {
        m_list->enableCheckBoxes();
        fill({ u"Balanced"_s, u"Power saver"_s });
        QVERIFY(!m_list->isChecked(1));
        bool checkedWhenReported = false;
        connect(m_list, &ReportList::rowClicked, this, [&](int row) { checkedWhenReported = m_list->isChecked(row); });
        connect(
            m_list, &ReportList::keyPressed, this, [&](int, int row) { checkedWhenReported = m_list->isChecked(row); });

        QStyleOptionViewItem option;
        option.initFrom(m_list->viewport());
        option.rect = m_list->visualRect(m_list->model()->index(1, 0));
        option.features = QStyleOptionViewItem::HasCheckIndicator;
        const QRect box = m_list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, m_list);
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, box.center());

        QVERIFY(checkedWhenReported);
        QVERIFY(m_list->isChecked(1));
        QVERIFY(!m_list->isChecked(0));
        // A click on the row away from the box leaves the check alone.
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, cellCentre(1, DescriptionColumn));
        QVERIFY(m_list->isChecked(1));

        // Space toggles the focused row's box, whichever cell has the focus.
        m_list->setFocus();
        m_list->setCurrentIndex(m_list->model()->index(0, StatusColumn));
        checkedWhenReported = false;
        QTest::keyClick(m_list, Qt::Key_Space);
        QVERIFY(checkedWhenReported);
        QVERIFY(m_list->isChecked(0));
        QTest::keyClick(m_list, Qt::Key_Space);
        QVERIFY(!m_list->isChecked(0));
        QVERIFY(m_list->isChecked(1));
    }

private:
    void fill(const QStringList &names)
    {
        for (const QString &name : names)
            new QTreeWidgetItem(m_list, { name, u"Not scheduled"_s, name + u" plan"_s });
    }

    QPoint cellCentre(int row, int column) const
    {
        return m_list->visualRect(m_list->model()->index(row, column)).center();
    }

    QPoint belowLastRow() const
    {
        const QRect last = m_list->visualItemRect(m_list->topLevelItem(m_list->topLevelItemCount() - 1));
        return QPoint(last.left() + 20, last.bottom() + 30);
    }

    QStringList columnTexts(int column) const
    {
        QStringList texts;
        for (int row = 0; row < m_list->topLevelItemCount(); ++row)
            texts.append(m_list->topLevelItem(row)->text(column));
        return texts;
    }

    TestEnvironment m_environment;
    ReportList *m_list = nullptr;
};

QTEST_MAIN(TestReportList)
#include "TestReportList.moc"
