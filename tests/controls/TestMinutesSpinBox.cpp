#include "MinutesSpinBox.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

constexpr int kMaximum = 30'000'000;

enum class Step { UpButton, DownButton, UpKey, DownKey };

} // namespace

class TestMinutesSpinBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void formatsMinutes();
    void writesLanguageWordsIntoItsBuddyAndKeepsItsRange();
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

void TestMinutesSpinBox::formatsMinutes()
{
    const std::pair<int, QString> cases[] = { { 0, u"Nie"_s }, { 1, u"1 Minute"_s }, { 2, u"2 Minuten"_s },
        { kMaximum, u"30000000 Minuten"_s }, { -1, u"Error"_s }, { std::numeric_limits<int>::min(), u"Error"_s } };
    for (const auto &[minutes, text] : cases)
        QCOMPARE(MinutesSpinBox::formatMinutes(minutes, u"Nie"_s, u"Minute"_s, u"Minuten"_s), text);
}

void TestMinutesSpinBox::writesLanguageWordsIntoItsBuddyAndKeepsItsRange()
{
    m_spin->setPos(45);
    QCOMPARE(m_field->text(), QStringLiteral("45 Minutes"));
    m_spin->setPos(0);
    QCOMPARE(m_field->text(), QStringLiteral("Never"));

    // Values outside the range are refused and leave the field alone.
    for (const auto &[minimum, value] : { std::pair { 0, kMaximum + 1 }, std::pair { 0, -1 }, std::pair { 5, 4 } }) {
        m_spin->setRange(minimum, kMaximum);
        m_spin->setPos(10);
        m_spin->setPos(value);
        QCOMPARE(m_spin->getPos(), 10);
        QCOMPARE(m_field->text(), QStringLiteral("10 Minutes"));
    }

    // The words are read again at every change.
    writeLanguage("Nooit", "minuut", "minuten");
    m_spin->setPos(11);
    QCOMPARE(m_field->text(), QStringLiteral("11 minuten"));

    // A missing language file gives empty words, not a failure.
    QFile::remove(sharedStrings().languageFile);
    m_spin->setPos(12);
    QCOMPARE(m_field->text(), QStringLiteral("12 "));
}

void TestMinutesSpinBox::stepsAndWrapsBothWays()
{
    const struct
    {
        int start;
        Step step;
        int expected;
        QString text;
    } cases[] = {
        { 5, Step::UpButton, 6, u"6 Minutes"_s }, { 1, Step::DownButton, 0, u"Never"_s },
        { 0, Step::UpKey, 1, u"1 Minute"_s },
        { 0, Step::DownButton, kMaximum, u"30000000 Minutes"_s }, // wraps to the maximum
        { 0, Step::DownKey, kMaximum, u"30000000 Minutes"_s },
        { kMaximum, Step::UpButton, 0, u"Never"_s }, // and back to 0
    };
    for (const auto &c : cases) {
        m_spin->setPos(c.start);
        QSignalSpy spy(m_spin, &MinutesSpinBox::valueStepped);
        if (c.step == Step::UpButton || c.step == Step::DownButton)
            QTest::mouseClick(arrow(c.step == Step::UpButton ? Qt::UpArrow : Qt::DownArrow), Qt::LeftButton);
        else
            QTest::keyClick(m_field, c.step == Step::UpKey ? Qt::Key_Up : Qt::Key_Down);
        QCOMPARE(m_spin->getPos(), c.expected);
        QCOMPARE(m_field->text(), c.text);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.first().first().toInt(), c.expected);
    }
}

QTEST_MAIN(TestMinutesSpinBox)
#include "TestMinutesSpinBox.moc"
