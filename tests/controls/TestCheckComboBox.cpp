#include "CheckComboBox.h"
#include "TestEnvironment.h"

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QTest>

class TestCheckComboBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void clickTogglesAndKeepsTheListOpen();
    void spaceTogglesTheCurrentItem();
    void fieldJoinsTheTickedItems_data();
    void fieldJoinsTheTickedItems();
    void listSeparatorOfTheLocale_data();
    void listSeparatorOfTheLocale();

private:
    void openList();
    QPoint itemCentre(int index) const;

    TestEnvironment m_environment;
    CheckComboBox *m_combo = nullptr;
};

void TestCheckComboBox::init()
{
    m_combo = new CheckComboBox;
    m_combo->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const char16_t *day : { u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday" })
        m_combo->addItem(QString::fromUtf16(day));
    m_combo->setGeometry(100, 100, 175, 25);
    m_combo->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_combo));
}

void TestCheckComboBox::cleanup()
{
    delete m_combo;
}

void TestCheckComboBox::openList()
{
    m_combo->showPopup();
    QTRY_VERIFY(m_combo->view()->isVisible());
}

QPoint TestCheckComboBox::itemCentre(int index) const
{
    return m_combo->view()->visualRect(m_combo->model()->index(index, 0)).center();
}

void TestCheckComboBox::clickTogglesAndKeepsTheListOpen()
{
    openList();
    QSignalSpy changes(m_combo, &CheckComboBox::selectionChanged);
    QWidget *list = m_combo->view()->viewport();

    QTest::mouseClick(list, Qt::LeftButton, {}, itemCentre(1));
    QVERIFY(m_combo->getCheck(1));
    QVERIFY(m_combo->view()->isVisible());
    QTest::mouseClick(list, Qt::LeftButton, {}, itemCentre(3));
    QCOMPARE(m_combo->text(), QStringLiteral("Monday, Wednesday"));
    QTest::mouseClick(list, Qt::LeftButton, {}, itemCentre(1));
    QVERIFY(!m_combo->getCheck(1));
    QVERIFY(m_combo->view()->isVisible());

    QCOMPARE(changes.size(), 3);
    QCOMPARE(changes.at(0).first().toInt(), 1);
    QCOMPARE(changes.at(1).first().toInt(), 3);
    QCOMPARE(changes.at(2).first().toInt(), 1);
    QCOMPARE(m_combo->text(), QStringLiteral("Wednesday"));

    // The closed field shows the ticks, never a single chosen item.
    m_combo->hidePopup();
    QTRY_VERIFY(!m_combo->view()->isVisible());
    QCOMPARE(m_combo->text(), QStringLiteral("Wednesday"));
}

void TestCheckComboBox::spaceTogglesTheCurrentItem()
{
    openList();
    QSignalSpy changes(m_combo, &CheckComboBox::selectionChanged);
    QAbstractItemView *list = m_combo->view();
    list->setFocus();
    QTest::mouseMove(list->viewport(), itemCentre(5));
    QTRY_COMPARE(list->currentIndex().row(), 5);

    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(m_combo->getCheck(5));
    QVERIFY(list->isVisible());
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(!m_combo->getCheck(5));
    QVERIFY(list->isVisible());
    QCOMPARE(changes.size(), 2);
    QCOMPARE(changes.at(0).first().toInt(), 5);
}

void TestCheckComboBox::fieldJoinsTheTickedItems_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QString>("text");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("nothing ticked") << english << QList<int> {} << QString();
    QTest::newRow("one item") << english << QList<int> { 6 } << QStringLiteral("Saturday");
    QTest::newRow("first and third, comma") << english << QList<int> { 0, 2 } << QStringLiteral("Sunday, Tuesday");
    QTest::newRow("in list order") << english << QList<int> { 4, 0, 2 } << QStringLiteral("Sunday, Tuesday, Thursday");
    QTest::newRow("no separator: semicolon")
        << QLocale(QLocale::Thai) << QList<int> { 0, 2 } << QStringLiteral("Sunday; Tuesday");
}

void TestCheckComboBox::fieldJoinsTheTickedItems()
{
    QFETCH(QLocale, locale);
    QFETCH(QList<int>, ticked);
    QFETCH(QString, text);
    m_combo->setLocale(locale);
    for (int index : ticked)
        QVERIFY(m_combo->setCheck(index, true));
    QCOMPARE(m_combo->text(), text);
    // And that is what the closed field draws.
    QCOMPARE(m_combo->grab().toImage(), [&] {
        CheckComboBox plain;
        plain.setLocale(locale);
        plain.addItem(text);
        (void)plain.setCheck(0, !text.isEmpty());
        plain.setGeometry(m_combo->geometry());
        return plain.grab().toImage();
    }());
}

void TestCheckComboBox::listSeparatorOfTheLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("separator");
    QTest::newRow("English") << QLocale(QLocale::English) << QStringLiteral(", ");
    QTest::newRow("German") << QLocale(QLocale::German) << QStringLiteral(", ");
    QTest::newRow("Japanese") << QLocale(QLocale::Japanese) << QStringLiteral("\u3001 ");
    QTest::newRow("Thai: blank only") << QLocale(QLocale::Thai) << QStringLiteral("; ");
}

void TestCheckComboBox::listSeparatorOfTheLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, separator);
    QCOMPARE(CheckComboBox::listSeparator(locale), separator);
}

QTEST_MAIN(TestCheckComboBox)
#include "TestCheckComboBox.moc"
