#include "MinutesSpinBox.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

constexpr int kMaximum = 30'000'000;

enum class Step { UpButton, DownButton, UpKey, DownKey };

} // namespace

Q_DECLARE_METATYPE(Step)

class TestMinutesSpinBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void formatsMinutes_data();
    void formatsMinutes();
    void writesLanguageWordsIntoItsBuddy();
    void refusesValuesOutsideTheRange_data();
    void refusesValuesOutsideTheRange();
    void stepsAndWrapsBothWays_data();
    void stepsAndWrapsBothWays();

private:
    void writeLanguage(const QByteArray &never, const QByteArray &minute, const QByteArray &minutes);
    QToolButton *arrow(Qt::ArrowType type) const;

    TestEnvironment m_environment;
    QWidget *m_dialog = nullptr;
    QLineEdit *m_field = nullptr;
    MinutesSpinBox *m_spin = nullptr;
};

void TestMinutesSpinBox::init()
{
    writeLanguage("Never", "Minute", "Minutes");
    m_dialog = new QWidget;
    m_dialog->resize(600, 200);
    m_field = new QLineEdit(m_dialog);
    m_field->setReadOnly(true);
    m_field->setGeometry(250, 40, 250, 25);
    m_spin = new MinutesSpinBox(m_dialog);
    m_spin->setBuddy(m_field);
    m_spin->setRange(0, kMaximum);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void TestMinutesSpinBox::cleanup()
{
    delete m_dialog;
}

void TestMinutesSpinBox::writeLanguage(const QByteArray &never, const QByteArray &minute, const QByteArray &minutes)
{
    m_environment.writeFile(QStringLiteral("program/ampctleng.ini"),
        "[Ampora]\nIDS_NEVER=" + never + "\nIDS_MINUTE=" + minute + "\nIDS_MINUTES=" + minutes + "\n");
}

QToolButton *TestMinutesSpinBox::arrow(Qt::ArrowType type) const
{
    for (QToolButton *button : m_spin->findChildren<QToolButton *>())
        if (button->arrowType() == type)
            return button;
    return nullptr;
}

void TestMinutesSpinBox::formatsMinutes_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("text");
    QTest::newRow("0: never") << 0 << QStringLiteral("Nie");
    QTest::newRow("1: one minute") << 1 << QStringLiteral("1 Minute");
    QTest::newRow("2: minutes") << 2 << QStringLiteral("2 Minuten");
    QTest::newRow("45") << 45 << QStringLiteral("45 Minuten");
    QTest::newRow("the editor's maximum") << kMaximum << QStringLiteral("30000000 Minuten");
    QTest::newRow("negative") << -1 << QStringLiteral("Error");
    QTest::newRow("most negative") << std::numeric_limits<int>::min() << QStringLiteral("Error");
}

void TestMinutesSpinBox::formatsMinutes()
{
    QFETCH(int, minutes);
    QFETCH(QString, text);
    QCOMPARE(MinutesSpinBox::formatMinutes(
                 minutes, QStringLiteral("Nie"), QStringLiteral("Minute"), QStringLiteral("Minuten")),
        text);
}

void TestMinutesSpinBox::writesLanguageWordsIntoItsBuddy()
{
    m_spin->setPos(45);
    QCOMPARE(m_field->text(), QStringLiteral("45 Minutes"));
    m_spin->setPos(0);
    QCOMPARE(m_field->text(), QStringLiteral("Never"));

    // The words are read again at every change.
    writeLanguage("Nooit", "minuut", "minuten");
    m_spin->setPos(1);
    QCOMPARE(m_field->text(), QStringLiteral("1 minuut"));

    // A missing language file gives empty words, not a failure.
    QFile::remove(sharedStrings().languageFile);
    m_spin->setPos(2);
    QCOMPARE(m_field->text(), QStringLiteral("2 "));
}

void TestMinutesSpinBox::refusesValuesOutsideTheRange_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("value");
    QTest::newRow("above the maximum") << 0 << kMaximum + 1;
    QTest::newRow("below zero") << 0 << -1;
    QTest::newRow("below a raised minimum") << 5 << 4;
}

void TestMinutesSpinBox::refusesValuesOutsideTheRange()
{
    QFETCH(int, minimum);
    QFETCH(int, value);
    m_spin->setRange(minimum, kMaximum);
    m_spin->setPos(10);
    QCOMPARE(m_field->text(), QStringLiteral("10 Minutes"));

    m_spin->setPos(value);
    QCOMPARE(m_spin->getPos(), 10);
    QCOMPARE(m_field->text(), QStringLiteral("10 Minutes"));
}

void TestMinutesSpinBox::stepsAndWrapsBothWays_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<Step>("step");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("text");
    QTest::newRow("up button adds a minute") << 5 << Step::UpButton << 6 << QStringLiteral("6 Minutes");
    QTest::newRow("down button takes one") << 5 << Step::DownButton << 4 << QStringLiteral("4 Minutes");
    QTest::newRow("down from 1") << 1 << Step::DownButton << 0 << QStringLiteral("Never");
    QTest::newRow("up from never") << 0 << Step::UpKey << 1 << QStringLiteral("1 Minute");
    QTest::newRow("down from 0 wraps to the maximum")
        << 0 << Step::DownButton << kMaximum << QStringLiteral("30000000 Minutes");
    QTest::newRow("down key from 0 wraps too") << 0 << Step::DownKey << kMaximum << QStringLiteral("30000000 Minutes");
    QTest::newRow("up from the maximum wraps to 0") << kMaximum << Step::UpButton << 0 << QStringLiteral("Never");
    QTest::newRow("up key from the maximum") << kMaximum << Step::UpKey << 0 << QStringLiteral("Never");
}

void TestMinutesSpinBox::stepsAndWrapsBothWays()
{
    QFETCH(int, start);
    QFETCH(Step, step);
    QFETCH(int, expected);
    QFETCH(QString, text);
    m_spin->setPos(start);
    QSignalSpy spy(m_spin, &MinutesSpinBox::valueStepped);

    switch (step) {
    case Step::UpButton:
        QTest::mouseClick(arrow(Qt::UpArrow), Qt::LeftButton);
        break;
    case Step::DownButton:
        QTest::mouseClick(arrow(Qt::DownArrow), Qt::LeftButton);
        break;
    case Step::UpKey:
        QTest::keyClick(m_field, Qt::Key_Up);
        break;
    case Step::DownKey:
        QTest::keyClick(m_field, Qt::Key_Down);
        break;
    }

    QCOMPARE(m_spin->getPos(), expected);
    QCOMPARE(m_field->text(), text);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().first().toInt(), expected);
}

QTEST_MAIN(TestMinutesSpinBox)
#include "TestMinutesSpinBox.moc"
