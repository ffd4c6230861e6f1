#include "Guid.h"

#include <QRandomGenerator>
#include <QTest>

using Guid::guidToText;
using Guid::textToGuid;

class TestGuid : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writesUpperCaseBracedAndReadsEitherCase();
    void rejectsLooseForms();
    void survivesRandomInput();
};

void TestGuid::writesUpperCaseBracedAndReadsEitherCase()
{
    const std::optional<QUuid> guid = textToGuid(QStringLiteral("{381b4222-f694-41f0-9685-ff5bb260df2e}"));
    QVERIFY(guid);
    QCOMPARE(guidToText(*guid), QStringLiteral("{381B4222-F694-41F0-9685-FF5BB260DF2E}"));
    const std::optional<QUuid> nullGuid = textToGuid(QStringLiteral("{00000000-0000-0000-0000-000000000000}"));
    QVERIFY(nullGuid && nullGuid->isNull());
}

void TestGuid::rejectsLooseForms()
{
    const QString good = QStringLiteral("{381B4222-F694-41F0-9685-FF5BB260DF2E}");
    for (const QString &text : QStringList { good + u' ', good.mid(1, 36), u'{' + good + u'}', good.left(37),
             QStringLiteral("{381B422-2F694-41F0-9685-FF5BB260DF2E}"),
             QStringLiteral("{381B4222-F694-41F0-9685-FF5BB260DF2G}"), QString(good).replace(5, 1, QChar(u'\0')),
             QString(good).replace(1, 1, QChar(0xFF13)), QString(), QString(5000, u'{') })
        QVERIFY2(!textToGuid(text), qPrintable(text.left(40)));
}

void TestGuid::survivesRandomInput()
{
    // Random strings made of the characters a GUID uses, plus junk: the parser must agree with a
    // simple reference on what is valid and never accept anything else.
    QRandomGenerator random(20261205);
    const QString alphabet = QStringLiteral("{}-0123456789abcdefABCDEFxyz \t\x01");
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int length = round % 3 == 0 ? 38 : int(random.bounded(60));
        for (int i = 0; i < length; ++i)
            text += alphabet.at(random.bounded(alphabet.size()));
        if (const std::optional<QUuid> guid = textToGuid(text))
            QCOMPARE(guidToText(*guid), text.toUpper());
    }
}

QTEST_GUILESS_MAIN(TestGuid)
#include "TestGuid.moc"
