// The settings dialog driven with real clicks.
#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "LogonTask.h"
#include "MessageBox.h"
#include "PictureButton.h"
#include "Profile.h"
#include "SettingsDialog.h"
#include "SharedStrings.h"
#include "TestEnvironment.h"

#include <QCheckBox>
#include <QTest>

using Profile::readSetting;
using Profile::writeSetting;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

const QByteArray kLanguage = "[Ampora]\nIDS_CLOSE_QUES=Save the changes before closing?\n";

void click(QWidget *control)
{
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();

    void fromEmptyApplyWritesEveryOptionAndKeepsTheLogonEntryInLine();
    void batteryOptionOnlyWithASleepButton();
    void closeAsksOnlyAfterAChange();
    void failuresAreToldAndTheRestKeepsWorking();

private:
    Services services() { return { m_platform, m_tasks, m_networks, m_battery, m_capabilities }; }
    // The logon entry's arguments, or none when there is no entry.
    std::optional<QString> logonArguments() const;

    std::unique_ptr<TestEnvironment> m_env;
    FakePowerPlatform m_platform;
    FakeTaskService m_tasks;
    FakeNetworkList m_networks;
    FakeBatteryStatusReader m_battery;
    FakeCapabilityReader m_capabilities;
};

void TestSettingsDialog::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_env->writeFile(u"program/ampctleng.ini"_s, kLanguage);
    sharedStrings().executableFile = u"/usr/bin/ampora"_s;
    m_tasks = FakeTaskService();
    m_capabilities = FakeCapabilityReader();
    m_capabilities.capabilities.sleepButton = true;
    MessageBox::takeShownTexts();
}

std::optional<QString> TestSettingsDialog::logonArguments() const
{
    const RegisteredTask *task = m_tasks.task(kLogonTaskName);
    if (!task)
        return std::nullopt;
    return task->definition->actions.value(0).arguments;
}

void TestSettingsDialog::fromEmptyApplyWritesEveryOptionAndKeepsTheLogonEntryInLine()
{
    // An empty settings file ticks nothing and offers only Load default.
    SettingsDialog settings(services());
    for (int i = 0; i < SettingsDialog::kOptionCount; ++i)
        QVERIFY(!settings.option(SettingsDialog::Option(i))->isChecked());
    QVERIFY(!settings.option(SettingsDialog::StartHidden)->isEnabled());
    QVERIFY(settings.applyButton()->isButtonDisabled());
    settings.show();
    click(settings.loadDefaultButton());
    QVERIFY(settings.loadDefaultButton()->isButtonDisabled());
    click(settings.applyButton());
    for (const QString &key : { SettingKey::RunOnStartup, SettingKey::RunMinimize, SettingKey::CloseToTray,
             SettingKey::AutoManage, SettingKey::NotifyPlanChanges, SettingKey::NotifyBatteryChanges })
        QCOMPARE(readSetting(key), u"TRUE"_s);
    QCOMPARE(logonArguments(), u"-hideme"_s);
    QVERIFY(settings.applyButton()->isButtonDisabled());

    // A normal start at log-in.
    click(settings.option(SettingsDialog::StartHidden));
    click(settings.applyButton());
    QCOMPARE(readSetting(SettingKey::RunMinimize), u"FALSE"_s);
    QCOMPARE(logonArguments(), QString());

    // No start at log-in: the hidden start keeps its mark but cannot be changed, and the entry goes.
    click(settings.option(SettingsDialog::StartHidden));
    click(settings.option(SettingsDialog::RunAtLogon));
    QVERIFY(!settings.option(SettingsDialog::StartHidden)->isEnabled());
    QVERIFY(settings.option(SettingsDialog::StartHidden)->isChecked());
    click(settings.applyButton());
    QCOMPARE(readSetting(SettingKey::RunOnStartup), u"FALSE"_s);
    QCOMPARE(readSetting(SettingKey::RunMinimize), u"TRUE"_s);
    QCOMPARE(logonArguments(), std::nullopt);
}

void TestSettingsDialog::batteryOptionOnlyWithASleepButton()
{
    m_capabilities.capabilities.sleepButton = false;
    m_capabilities.capabilities.batteries = true; // batteries do not decide it
    SettingsDialog settings(services());
    QVERIFY(settings.option(SettingsDialog::NotifyBatteryChanges)->isHidden());
    // Load default ticks the hidden option too; until it does, Load default stays offered.
    for (const QString &key : { SettingKey::RunOnStartup, SettingKey::RunMinimize, SettingKey::CloseToTray,
             SettingKey::AutoManage, SettingKey::NotifyPlanChanges })
        QVERIFY(writeSetting(key, u"TRUE"_s));
    SettingsDialog again(services());
    QVERIFY(!again.loadDefaultButton()->isButtonDisabled());
    click(again.loadDefaultButton());
    click(again.applyButton());
    QCOMPARE(readSetting(SettingKey::NotifyBatteryChanges), u"TRUE"_s);
}

void TestSettingsDialog::closeAsksOnlyAfterAChange()
{
    SettingsDialog settings(services());
    settings.show();
    click(settings.closeButton());
    QVERIFY(!settings.isVisible());
    QVERIFY(MessageBox::takeShownTexts().isEmpty());

    SettingsDialog changed(services());
    changed.show();
    click(changed.option(SettingsDialog::CloseToTray));
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    click(changed.closeButton());
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"Save the changes before closing?"_s });
    QVERIFY(changed.isVisible());
    QCOMPARE(readSetting(SettingKey::CloseToTray), QString());

    MessageBox::setNextAnswer(QMessageBox::No);
    QTest::keyClick(&changed, Qt::Key_Escape);
    QVERIFY(!changed.isVisible());
    QCOMPARE(readSetting(SettingKey::CloseToTray), QString());

    changed.show();
    MessageBox::setNextAnswer(QMessageBox::Yes);
    changed.close();
    QVERIFY(!changed.isVisible());
    QCOMPARE(readSetting(SettingKey::CloseToTray), u"TRUE"_s);
    QCOMPARE(logonArguments(), std::nullopt);
}

void TestSettingsDialog::failuresAreToldAndTheRestKeepsWorking()
{
    // Unknown capabilities: the reason is shown and the battery option stays offered.
    m_capabilities.errorCode = 5;
    MessageBox::setNextAnswer(QMessageBox::Ok);
    SettingsDialog settings(services());
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"Failed to read the power capabilities.\nError code: 5"_s });
    QVERIFY(!settings.option(SettingsDialog::NotifyBatteryChanges)->isHidden());
    settings.show();

    // A settings file that cannot be written: told, nothing half done, Apply offered again, and a
    // close that would save keeps the dialog open.
    const QString writable = sharedStrings().settingsFile;
    sharedStrings().settingsFile = m_env->writeFile(u"not-a-folder"_s, "x") + u"/ampctlset.ini"_s;
    click(settings.option(SettingsDialog::RunAtLogon));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    click(settings.applyButton());
    QCOMPARE(MessageBox::takeShownTexts().size(), 1);
    QCOMPARE(logonArguments(), std::nullopt);
    QVERIFY(!settings.applyButton()->isButtonDisabled());
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    click(settings.closeButton());
    QCOMPARE(MessageBox::takeShownTexts().size(), 2);
    QVERIFY(settings.isVisible());

    // The logon entry refused: the setting is written, no entry is left, Apply stays offered.
    sharedStrings().settingsFile = writable;
    m_tasks.refuseRegistrations(true);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    click(settings.applyButton());
    QCOMPARE(MessageBox::takeShownTexts().size(), 1);
    QCOMPARE(readSetting(SettingKey::RunOnStartup), u"TRUE"_s);
    QCOMPARE(logonArguments(), std::nullopt);
    QVERIFY(!settings.applyButton()->isButtonDisabled());

    m_tasks.refuseRegistrations(false);
    click(settings.applyButton());
    QCOMPARE(logonArguments(), QString());
    QVERIFY(settings.applyButton()->isButtonDisabled());
}

QTEST_MAIN(TestSettingsDialog)
#include "TestSettingsDialog.moc"
