// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog driven with real clicks.
#include "DialogControl.h"
#include "FakeServices.h"
#include "LogonTask.h"
#include "MessageBox.h"
#include "PictureButton.h"
#include "Profile.h"
#include "SettingsDialog.h"
#include "SharedStrings.h"

#include <QCheckBox>
#include <QTest>

using Profile::readSetting;
using Profile::writeSetting;
using Program::sharedStrings;

using namespace Qt::StringLiterals;

namespace {

// A check box or button of the dialog, clicked where its mark or caption is.
void click(const QWidget &dialog, const QString &name)
{
    QWidget *target = control(dialog, name);
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(6, target->height() / 2));
}

QCheckBox *option(const QWidget &dialog, const QString &name)
{
    return control<QCheckBox>(dialog, name);
}

bool offered(const QWidget &dialog, const QString &button)
{
    return !control<PictureButton>(dialog, button)->isButtonDisabled();
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_fake = std::make_unique<FakeServices>("[Ampora]\nIDS_CLOSE_QUES=Save the changes before closing?\n");
        sharedStrings().executableFile = u"/usr/bin/ampora"_s;
        m_fake->capabilities.capabilities.sleepButton = true;
        MessageBox::takeShownTexts();
    }

    void fromEmptyApplyWritesEveryOptionAndKeepsTheLogonEntryInLine()
    {
        // An empty settings file ticks nothing and offers only Load default.
        SettingsDialog settings(services());
        const QList<QCheckBox *> boxes = settings.findChildren<QCheckBox *>();
        QCOMPARE(boxes.size(), SettingsDialog::kOptionCount);
        for (const QCheckBox *box : boxes)
            QVERIFY(!box->isChecked());
        QVERIFY(!option(settings, u"startHidden"_s)->isEnabled());
        QVERIFY(!offered(settings, u"applyButton"_s));
        settings.show();
        click(settings, u"loadDefaultButton"_s);
        QVERIFY(!offered(settings, u"loadDefaultButton"_s));
        click(settings, u"applyButton"_s);
        for (const QString &key : { SettingKey::RunOnStartup, SettingKey::RunMinimize, SettingKey::CloseToTray,
                 SettingKey::AutoManage, SettingKey::NotifyPlanChanges, SettingKey::NotifyBatteryChanges })
            QCOMPARE(readSetting(key), u"TRUE"_s);
        QCOMPARE(logonArguments(), u"-hideme"_s);
        QVERIFY(!offered(settings, u"applyButton"_s));

        // A normal start at log-in.
        click(settings, u"startHidden"_s);
        click(settings, u"applyButton"_s);
        QCOMPARE(readSetting(SettingKey::RunMinimize), u"FALSE"_s);
        QCOMPARE(logonArguments(), QString());

        // No start at log-in: the hidden start keeps its mark but cannot be changed, and the entry goes.
        click(settings, u"startHidden"_s);
        click(settings, u"runAtLogon"_s);
        QVERIFY(!option(settings, u"startHidden"_s)->isEnabled());
        QVERIFY(option(settings, u"startHidden"_s)->isChecked());
        click(settings, u"applyButton"_s);
        QCOMPARE(readSetting(SettingKey::RunOnStartup), u"FALSE"_s);
        QCOMPARE(readSetting(SettingKey::RunMinimize), u"TRUE"_s);
        QCOMPARE(logonArguments(), std::nullopt);
    }

    void batteryOptionOnlyWithASleepButton()
    {
        m_fake->capabilities.capabilities.sleepButton = false;
        m_fake->capabilities.capabilities.batteries = true; // batteries do not decide it
        for (const QString &key : { SettingKey::RunOnStartup, SettingKey::RunMinimize, SettingKey::CloseToTray,
                 SettingKey::AutoManage, SettingKey::NotifyPlanChanges })
            QVERIFY(writeSetting(key, u"TRUE"_s));
        SettingsDialog settings(services());
        QVERIFY(option(settings, u"notifyBatteryChanges"_s)->isHidden());
        // Load default ticks the hidden option too; until it does, Load default stays offered.
        QVERIFY(offered(settings, u"loadDefaultButton"_s));
        settings.show();
        click(settings, u"loadDefaultButton"_s);
        click(settings, u"applyButton"_s);
        QCOMPARE(readSetting(SettingKey::NotifyBatteryChanges), u"TRUE"_s);
    }

    // Cancel and No are the shared close question's, proven with the plan editor; here Yes applies.
    void closeAsksOnlyAfterAChangeAndYesApplies()
    {
        SettingsDialog settings(services());
        settings.show();
        click(settings, u"closeButton"_s);
        QVERIFY(!settings.isVisible());
        QVERIFY(MessageBox::takeShownTexts().isEmpty());

        settings.show();
        click(settings, u"closeToTray"_s);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        settings.close();
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"Save the changes before closing?"_s });
        QVERIFY(!settings.isVisible());
        QCOMPARE(readSetting(SettingKey::CloseToTray), u"TRUE"_s);
        QCOMPARE(logonArguments(), std::nullopt);
    }

    void failuresAreToldAndTheRestKeepsWorking()
    {
        // Unknown capabilities: the reason is shown over the dialog once it is up (not at the
        // screen's corner before), and the battery option stays offered.
        m_fake->capabilities.errorCode = 5;
        MessageBox::setNextAnswer(QMessageBox::Ok);
        SettingsDialog settings(services());
        QVERIFY(MessageBox::takeShownTexts().isEmpty());
        QVERIFY(!option(settings, u"notifyBatteryChanges"_s)->isHidden());
        settings.show();
        QTRY_COMPARE(MessageBox::lastText(), u"Failed to read the power capabilities.\nError code: 5"_s);
        QCOMPARE(MessageBox::takeShownTexts().size(), 1);
        QCOMPARE(MessageBox::lastOwner(), &settings);

        // A settings file that cannot be written: told, nothing half done, Apply offered again, and a
        // close that would save keeps the dialog open.
        const QString writable = sharedStrings().settingsFile;
        sharedStrings().settingsFile = m_fake->env.writeFile(u"not-a-folder"_s, "x") + u"/ampctlset.ini"_s;
        click(settings, u"runAtLogon"_s);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click(settings, u"applyButton"_s);
        QCOMPARE(MessageBox::takeShownTexts().size(), 1);
        QCOMPARE(logonArguments(), std::nullopt);
        QVERIFY(offered(settings, u"applyButton"_s));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click(settings, u"closeButton"_s);
        QCOMPARE(MessageBox::takeShownTexts().size(), 2);
        QVERIFY(settings.isVisible());

        // The logon entry refused: the setting is written, no entry is left, Apply stays offered.
        sharedStrings().settingsFile = writable;
        m_fake->tasks.refuseRegistrations(true);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click(settings, u"applyButton"_s);
        QCOMPARE(MessageBox::takeShownTexts().size(), 1);
        QCOMPARE(readSetting(SettingKey::RunOnStartup), u"TRUE"_s);
        QCOMPARE(logonArguments(), std::nullopt);
        QVERIFY(offered(settings, u"applyButton"_s));

        m_fake->tasks.refuseRegistrations(false);
        click(settings, u"applyButton"_s);
        QCOMPARE(logonArguments(), QString());
        QVERIFY(!offered(settings, u"applyButton"_s));
    }

private:
    Services services() { return m_fake->services(); }
    // The logon entry's arguments, or none when there is no entry.
    std::optional<QString> logonArguments() const
    {
        const RegisteredTask *task = m_fake->tasks.task(kLogonTaskName);
        if (!task)
            return std::nullopt;
        return task->definition->actions.value(0).arguments;
    }

    std::unique_ptr<FakeServices> m_fake;
};

QTEST_MAIN(TestSettingsDialog)
#include "TestSettingsDialog.moc"
