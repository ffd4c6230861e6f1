#include <QTest>

class TestScheduleDialog : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(TestScheduleDialog)
#include "TestScheduleDialog.moc"
