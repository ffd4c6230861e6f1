#include "Guid.h"

#include <QTest>

class TestGuid : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTripsUpperCaseBraced();
    void rejectsLooseForms_data();
    void rejectsLooseForms();
};

void TestGuid::roundTripsUpperCaseBraced()
{
    QUuid guid;
    QVERIFY(TextToGuid(QStringLiteral("{381b4222-f694-41f0-9685-ff5bb260df2e}"), &guid));
    QCOMPARE(GuidToText(guid), QStringLiteral("{381B4222-F694-41F0-9685-FF5BB260DF2E}"));
}

void TestGuid::rejectsLooseForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("trailing blank") << QStringLiteral("{381B4222-F694-41F0-9685-FF5BB260DF2E} ");
    QTest::newRow("no braces") << QStringLiteral("381B4222-F694-41F0-9685-FF5BB260DF2E");
}

void TestGuid::rejectsLooseForms()
{
    QFETCH(QString, text);
    QUuid guid;
    QVERIFY(!TextToGuid(text, &guid));
}

QTEST_GUILESS_MAIN(TestGuid)
#include "TestGuid.moc"
