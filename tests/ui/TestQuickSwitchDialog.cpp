#include <QTest>

class TestQuickSwitchDialog : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(TestQuickSwitchDialog)
#include "TestQuickSwitchDialog.moc"
