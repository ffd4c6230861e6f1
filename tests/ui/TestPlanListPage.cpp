#include <QTest>

class TestPlanListPage : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(TestPlanListPage)
#include "TestPlanListPage.moc"
