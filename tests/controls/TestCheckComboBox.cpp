// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckComboBox.h"
#include "TestEnvironment.h"

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCheckComboBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_combo = new CheckComboBox;
        m_combo->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        for (const char16_t *day :
            { u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday" })
            m_combo->addItem(QString::fromUtf16(day));
        m_combo->setGeometry(100, 100, 175, 25);
        m_combo->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_combo));
    }

    void cleanup() { delete m_combo; }

    void clickAndSpaceToggleAndKeepTheListOpen()
    {
        openList();
        QSignalSpy changes(m_combo, &CheckComboBox::selectionChanged);
        QWidget *list = m_combo->view()->viewport();

        QTest::mouseClick(list, Qt::LeftButton, {}, itemCentre(1));
        QVERIFY(m_combo->isChecked(1));
        QVERIFY(m_combo->view()->isVisible());
        QTest::mouseClick(list, Qt::LeftButton, {}, itemCentre(3));
        QCOMPARE(m_combo->text(), u"Monday, Wednesday"_s);
        QTest::mouseClick(list, Qt::LeftButton, {}, itemCentre(1));
        QVERIFY(!m_combo->isChecked(1));
        QVERIFY(m_combo->view()->isVisible());

        QCOMPARE(m_combo->text(), u"Wednesday"_s);

        // Space toggles the item under the pointer.
        QAbstractItemView *view = m_combo->view();
        view->setFocus();
        QTest::mouseMove(list, itemCentre(5));
        QTRY_COMPARE(view->currentIndex().row(), 5);
        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(m_combo->isChecked(5));
        QVERIFY(view->isVisible());
        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(!m_combo->isChecked(5));
        QList<int> changed;
        for (const QList<QVariant> &change : changes)
            changed.append(change.first().toInt());
        QCOMPARE(changed, (QList<int> { 1, 3, 1, 5, 5 }));

        // The closed field shows the ticks, never a single chosen item.
        m_combo->hidePopup();
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(m_combo->text(), u"Wednesday"_s);
    }

    void fieldJoinsTheTickedItems()
    {
        QCOMPARE(m_combo->text(), QString());
        for (int index : { 4, 0, 2 })
            QVERIFY(m_combo->setCheck(index, true));
        QCOMPARE(m_combo->text(), u"Sunday, Tuesday, Thursday"_s); // in list order
        // And that is what the closed field draws.
        CheckComboBox plain;
        plain.setLocale(m_combo->locale());
        plain.addItem(m_combo->text());
        (void)plain.setCheck(0, true);
        plain.setGeometry(m_combo->geometry());
        QCOMPARE(m_combo->grab().toImage(), plain.grab().toImage());
        // The locale's list separator; a semicolon where it has none but a blank.
        m_combo->setLocale(QLocale(QLocale::Japanese));
        QCOMPARE(m_combo->text(), u"Sunday\u3001 Tuesday\u3001 Thursday"_s);
        m_combo->setLocale(QLocale(QLocale::Thai));
        QCOMPARE(m_combo->text(), u"Sunday; Tuesday; Thursday"_s);
    }

private:
    void openList()
    {
        m_combo->showPopup();
        QTRY_VERIFY(m_combo->view()->isVisible());
    }

    QPoint itemCentre(int index) const
    {
        return m_combo->view()->visualRect(m_combo->model()->index(index, 0)).center();
    }

    TestEnvironment m_environment;
    CheckComboBox *m_combo = nullptr;
};

QTEST_MAIN(TestCheckComboBox)
#include "TestCheckComboBox.moc"
