#include <QTest>

class TestSettingsDialog : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(TestSettingsDialog)
#include "TestSettingsDialog.moc"
