#include <QTest>

class TestSchedulesPage : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(TestSchedulesPage)
#include "TestSchedulesPage.moc"
