#include <QTest>

class TestPlanEditorDialog : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(TestPlanEditorDialog)
#include "TestPlanEditorDialog.moc"
