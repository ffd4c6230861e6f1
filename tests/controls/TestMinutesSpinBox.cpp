// SPDX-License-Identifier: GPL-3.0-or-later
#include "MinutesSpinBox.h"
#include "TestEnvironment.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMinutesSpinBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_environment.writeFile(
            u"program/ampctleng.ini"_s, "[Ampora]\nIDS_NEVER=Never\nIDS_MINUTE=Minute\nIDS_MINUTES=Minutes\n");
        m_dialog = new QWidget;
        m_dialog->resize(600, 200);
        m_field = new QLineEdit(m_dialog);
        m_field->setReadOnly(true);
        m_field->setGeometry(250, 40, 250, 25);
        m_spin = new MinutesSpinBox(m_dialog);
        m_spin->setRange(0, 30'000'000);
        m_spin->setBuddy(m_field);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }

    void cleanup() { delete m_dialog; }

    void stepsWrapRoundAndTypedMinutesCount()
    {
        // The spin box sits where the field was, and the field is its editor, in the language's words.
        QCOMPARE(m_spin->geometry(), QRect(250, 40, 250, 25));
        QCOMPARE(m_field->parentWidget(), m_spin);
        QCOMPARE(m_field->text(), u"Never"_s);
        QSignalSpy changes(m_spin, &QSpinBox::valueChanged);
        // Down from Never comes round to the maximum, and up from there back to Never.
        QTest::keyClick(m_field, Qt::Key_Down);
        QCOMPARE(m_field->text(), u"30000000 Minutes"_s);
        m_spin->stepUp();
        QCOMPARE(m_field->text(), u"Never"_s);
        QTest::keyClick(m_field, Qt::Key_Up);
        QCOMPARE(m_field->text(), u"1 Minute"_s);
        QCOMPARE(changes.size(), 3);

        // A typed number, with or without its word, or the never text itself.
        m_spin->setFocus();
        const std::pair<const char *, int> typed[]
            = { { "90", 90 }, { "12 min", 12 }, { "never", 0 }, { "7 Minutes", 7 } };
        for (const auto &[text, minutes] : typed) {
            m_field->selectAll();
            QTest::keyClicks(m_field, QString::fromLatin1(text));
            QTest::keyClick(m_field, Qt::Key_Return);
            QCOMPARE(m_spin->value(), minutes);
        }
        QCOMPARE(m_field->text(), u"7 Minutes"_s);
        // Anything else is refused as it is typed.
        m_field->selectAll();
        QTest::keyClicks(m_field, u"5 hours"_s);
        QCOMPARE(m_field->text(), u"5 "_s);
        QTest::keyClicks(m_field, u"x"_s);
        QTest::keyClick(m_field, Qt::Key_Return);
        QCOMPARE(m_spin->value(), 5);
    }

private:
    TestEnvironment m_environment;
    QWidget *m_dialog = nullptr;
    QLineEdit *m_field = nullptr;
    MinutesSpinBox *m_spin = nullptr;
};

QTEST_MAIN(TestMinutesSpinBox)
#include "TestMinutesSpinBox.moc"
