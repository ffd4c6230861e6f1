#include "ApplyCoordinator.h"
#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakePlanApplier.h"
#include "FakePowerEvents.h"
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "MessageBox.h"
#include "MinutesSpinBox.h"
#include "PictureButton.h"
#include "PlanEditing.h"
#include "PlanEditorDialog.h"
#include "PlanFollower.h"
#include "Profile.h"
#include "TestEnvironment.h"
#include "UiFonts.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <tuple>

using ApplySetting::allSettings;
using PowerSettings::powerSettingRows;
using Profile::loadText;

using Mode = PlanEditorDialog::Mode;

namespace {

constexpr PlanCapabilities kLaptop { true, true, true, true, true };
constexpr PlanCapabilities kDesktop { true, false, false, false, false };

QString text(const char *key)
{
    return loadText(QString::fromLatin1(key));
}

int changedPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            changed += a.pixel(x, y) != b.pixel(x, y);
    }
    return changed;
}

QStringList captions(const QList<PictureButton *> &buttons)
{
    QStringList result;
    for (const PictureButton *button : buttons)
        result.append(button->caption());
    return result;
}

} // namespace

class TestPlanEditorDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void saveIsEnabledByANameAndByEveryKindOfChange();
    void createWritesACopyWithTheTypedNameAndValues();
    void takenNameIsRefusedAndClosingAfterAChangeAsks();
    void editingActivatesAgainOnlyTheActivePlan();
    void rowsFollowWhatTheMachineHas();
    void everyControlIsReachedWithTabAndShowsFocus();
    void activePlanRowsTellWhatBecameOfTheirSettings();

private:
    std::unique_ptr<PlanEditorDialog> makeDialog(Mode mode, const QUuid &plan, PlanFollower *follower = nullptr);
    quint32 stored(const QUuid &scheme, PowerSource source, const QUuid &subgroup, const QUuid &setting) const;

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakePowerPlatform> m_platform;
    FakeTaskService m_tasks;
    FakeNetworkList m_networks;
    FakeBatteryStatusReader m_battery;
    FakeCapabilityReader m_capabilities;
    QUuid m_balanced;
    QUuid m_saver;
};

void TestPlanEditorDialog::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_env->writeFile(QStringLiteral("program/ampctleng.ini"),
        TestEnvironment::readFile(TestEnvironment::sourceFile(QStringLiteral("../resources/ampctleng.ini"))));
    QVERIFY2(!text("IDS_SAVE").isEmpty(), "the language file was not found");
    m_platform = std::make_unique<FakePowerPlatform>();
    m_balanced = m_platform->addScheme(QStringLiteral("Balanced"));
    m_saver = m_platform->addScheme(QStringLiteral("Power saver"));
    for (const QUuid &plan : { m_balanced, m_saver }) {
        for (const PowerSettingRow &row : powerSettingRows()) {
            const quint32 value = row.kind == SettingKind::Timeout ? 600 : row.kind == SettingKind::Brightness ? 70 : 1;
            for (PowerSource source : { PowerSource::Ac, PowerSource::Dc })
                QVERIFY(m_platform->writeValueIndex(source, plan, row.subgroup, row.setting, value));
        }
    }
    // 90 seconds is not a whole number of minutes.
    QVERIFY(m_platform->writeValueIndex(
        PowerSource::Ac, m_balanced, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT, 90));
    m_capabilities = FakeCapabilityReader();
    m_capabilities.capabilities = kLaptop;
    MessageBox::takeShownTexts();
}

void TestPlanEditorDialog::cleanup()
{
    MessageBox::takeShownTexts();
    m_platform.reset();
    m_env.reset();
}

std::unique_ptr<PlanEditorDialog> TestPlanEditorDialog::makeDialog(Mode mode, const QUuid &plan, PlanFollower *follower)
{
    return std::make_unique<PlanEditorDialog>(
        mode, plan, Services { *m_platform, m_tasks, m_networks, m_battery, m_capabilities }, nullptr, follower);
}

quint32 TestPlanEditorDialog::stored(
    const QUuid &scheme, PowerSource source, const QUuid &subgroup, const QUuid &setting) const
{
    return m_platform->valueIndex(source, scheme, subgroup, setting).valueOr(kUnreadableValue);
}

void TestPlanEditorDialog::saveIsEnabledByANameAndByEveryKindOfChange()
{
    // A new plan needs a name first, and again after the name has been deleted.
    const auto created = makeDialog(Mode::Create, m_balanced);
    QCOMPARE(created->saveButton()->caption(), text("IDS_CREATE_AND_SCHEDULE"));
    QVERIFY(!created->saveButton()->isEnabled());
    QTest::keyClicks(created->nameBox(), QStringLiteral("Quiet"));
    QVERIFY(created->saveButton()->isEnabled());
    created->nameBox()->selectAll();
    QTest::keyClick(created->nameBox(), Qt::Key_Backspace);
    QVERIFY(!created->saveButton()->isEnabled());
    QVERIFY(!created->hasUnsavedChanges());
    QTest::keyClicks(created->nameBox(), QStringLiteral("Q"));
    QVERIFY(created->saveButton()->isEnabled());

    // An existing plan shows its name and values; any kind of change enables Save.
    const std::function<void(PlanEditorDialog &)> changes[] = {
        [](PlanEditorDialog &d) {
            qobject_cast<QComboBox *>(d.settingControl(GUID_LIDCLOSE_ACTION, PowerSource::Dc))->setCurrentIndex(3);
        },
        [](PlanEditorDialog &d) {
            QTest::keyClick(d.settingControl(GUID_HIBERNATE_TIMEOUT, PowerSource::Ac), Qt::Key_Down);
        },
        [](PlanEditorDialog &d) {
            QTest::keyClick(
                d.settingControl(GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS, PowerSource::Ac), Qt::Key_Right);
        },
        [](PlanEditorDialog &d) { QTest::keyClicks(d.nameBox(), QStringLiteral(" 2")); },
    };
    for (const auto &change : changes) {
        const auto edited = makeDialog(Mode::Edit, m_saver);
        QCOMPARE(edited->nameBox()->text(), QStringLiteral("Power saver"));
        QVERIFY(!edited->saveButton()->isEnabled());
        change(*edited);
        QVERIFY(edited->saveButton()->isEnabled());
        QVERIFY(edited->hasUnsavedChanges());
    }
    QVERIFY(MessageBox::takeShownTexts().isEmpty());
}

void TestPlanEditorDialog::createWritesACopyWithTheTypedNameAndValues()
{
    const auto dialog = makeDialog(Mode::Create, m_balanced);
    QCOMPARE(dialog->windowTitle(), text("IDS_CREATE_POWER_PLAN"));
    QLineEdit *displayOff
        = qobject_cast<QLineEdit *>(dialog->settingControl(GUID_VIDEO_POWERDOWN_TIMEOUT, PowerSource::Ac));
    QCOMPARE(displayOff->text(), QStringLiteral("1 minute"));
    QCOMPARE(qobject_cast<QLineEdit *>(dialog->settingControl(GUID_DISK_POWERDOWN_TIMEOUT, PowerSource::Dc))->text(),
        QStringLiteral("10 minutes"));

    QTest::keyClicks(dialog->nameBox(), QStringLiteral("Presentation"));
    qobject_cast<QComboBox *>(dialog->settingControl(GUID_POWERBUTTON_ACTION, PowerSource::Ac))->setCurrentIndex(3);
    QTest::keyClick(dialog->settingControl(GUID_DISK_POWERDOWN_TIMEOUT, PowerSource::Dc), Qt::Key_Up);
    qobject_cast<QSlider *>(dialog->settingControl(GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS, PowerSource::Dc))
        ->setValue(40);

    QSignalSpy saved(dialog.get(), &PlanEditorDialog::saved);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTimer::singleShot(0, dialog->saveButton(), [&] { QTest::keyClick(dialog->saveButton(), Qt::Key_Space); });
    QCOMPARE(dialog->exec(), int(QDialog::Accepted));
    QCOMPARE(saved.size(), 1);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { text("IDS_PLAN_OK") });

    QCOMPARE(m_platform->storedSchemes().size(), 3);
    const FakePowerPlatform::Scheme copy = m_platform->storedSchemes().last();
    QCOMPARE(dialog->plan(), copy.guid);
    QCOMPARE(copy.name, QStringLiteral("Presentation"));
    QCOMPARE(copy.description, kCreatedPlanDescription.toString());
    QCOMPARE(stored(copy.guid, PowerSource::Ac, GUID_SYSTEM_BUTTON_SUBGROUP, GUID_POWERBUTTON_ACTION), 3u);
    QCOMPARE(stored(copy.guid, PowerSource::Dc, GUID_DISK_SUBGROUP, GUID_DISK_POWERDOWN_TIMEOUT), 660u);
    QCOMPARE(stored(copy.guid, PowerSource::Dc, GUID_VIDEO_SUBGROUP, GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS), 40u);
    // What was shown is what is written: 90 seconds became one minute.
    QCOMPARE(stored(copy.guid, PowerSource::Ac, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT), 60u);
    // The source and the active plan are left as they were.
    QCOMPARE(stored(m_balanced, PowerSource::Ac, GUID_SYSTEM_BUTTON_SUBGROUP, GUID_POWERBUTTON_ACTION), 1u);
    QCOMPARE(m_platform->activeScheme().valueOr({}), m_balanced);
    QCOMPARE(m_platform->setActiveCalls(), 0);
}

void TestPlanEditorDialog::takenNameIsRefusedAndClosingAfterAChangeAsks()
{
    const auto dialog = makeDialog(Mode::Create, m_balanced);
    dialog->show();
    QTest::keyClicks(dialog->nameBox(), QStringLiteral("power SAVER"));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { text("IDS_INVALID_NAME_ERROR") });
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->saveButton()->isEnabled());
    QCOMPARE(m_platform->storedSchemes().size(), 2);

    // Cancel keeps the dialog open; Yes saves, which is refused, and keeps it too; No closes it.
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    MessageBox::setNextAnswer(QMessageBox::No);
    QSignalSpy saved(dialog.get(), &PlanEditorDialog::saved);
    QTimer::singleShot(0, dialog.get(), [&] {
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->nameBox()->text(), QStringLiteral("power SAVER"));
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
    });
    QCOMPARE(dialog->exec(), int(QDialog::Rejected));
    QCOMPARE(MessageBox::takeShownTexts(),
        (QStringList {
            text("IDS_CLOSE_QUES"), text("IDS_CLOSE_QUES"), text("IDS_INVALID_NAME_ERROR"), text("IDS_CLOSE_QUES") }));
    QCOMPARE(saved.size(), 0);
    QCOMPARE(m_platform->storedSchemes().size(), 2);

    // The name is checked as the store keeps it, by the store's one rule, in both modes.
    const QList<std::tuple<Mode, QString, const char *>> refusals {
        { Mode::Create, QStringLiteral("balanced "), "IDS_INVALID_NAME_ERROR" },
        { Mode::Create, QStringLiteral("   "), "IDS_NO_NAME_ERROR" },
        { Mode::Create, QStringLiteral("Eco\tmode"), "IDS_NAME_CHARACTERS_ERROR" },
        { Mode::Edit, QStringLiteral(" Power Saver"), "IDS_INVALID_NAME_ERROR" },
    };
    for (const auto &[mode, name, message] : refusals) {
        const auto named = makeDialog(mode, m_balanced);
        named->nameBox()->setText(name);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!named->save());
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { text(message) });
    }
    QCOMPARE(m_platform->friendlyName(m_balanced).valueOr({}), QStringLiteral("Balanced"));
    QCOMPARE(m_platform->storedSchemes().size(), 2);

    // A plan another process deleted meanwhile is not saved, and not said to be: the dialog stays
    // with the edits, and nothing brings the plan back.
    const auto orphan = makeDialog(Mode::Edit, m_saver);
    orphan->show();
    QTest::keyClicks(orphan->nameBox(), QStringLiteral(" (quiet)"));
    QVERIFY(m_platform->deleteScheme(m_saver));
    QSignalSpy orphanSaved(orphan.get(), &PlanEditorDialog::saved);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(orphan->saveButton(), Qt::LeftButton);
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { text("IDS_PLAN_GONE_ERROR") });
    QVERIFY(orphan->isVisible());
    QVERIFY(orphan->saveButton()->isEnabled());
    QCOMPARE(orphan->nameBox()->text(), QStringLiteral("Power saver (quiet)"));
    QCOMPARE(orphanSaved.size(), 0);
    QCOMPARE(m_platform->storedSchemes().size(), 1);
    m_saver = m_platform->addScheme(QStringLiteral("Power saver"));

    // A copy the store refuses: its reason is shown, the dialog stays and keeps the source plan.
    const auto refused = makeDialog(Mode::Create, m_balanced);
    QTest::keyClicks(refused->nameBox(), QStringLiteral("Quiet"));
    m_platform->setUnreadable(true);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QVERIFY(!refused->save());
    m_platform->setUnreadable(false);
    const QStringList shown = MessageBox::takeShownTexts();
    QCOMPARE(shown.size(), 1);
    QVERIFY(!shown.first().isEmpty() && shown.first() != text("IDS_PLAN_OK"));
    QCOMPARE(refused->plan(), m_balanced);
    QVERIFY(refused->saveButton()->isEnabled());
    QCOMPARE(m_platform->storedSchemes().size(), 2);

    // No name at all is refused before anything else; unchanged, Close asks nothing.
    const auto unnamed = makeDialog(Mode::Edit, m_saver);
    unnamed->nameBox()->clear();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QVERIFY(!unnamed->save());
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { text("IDS_NO_NAME_ERROR") });
    QTest::mouseClick(unnamed->closeButton(), Qt::LeftButton);
    QVERIFY(MessageBox::takeShownTexts().isEmpty());
    QCOMPARE(unnamed->result(), int(QDialog::Rejected));
}

void TestPlanEditorDialog::editingActivatesAgainOnlyTheActivePlan()
{
    const auto brightnessOf = [](const PlanEditorDialog &d) {
        return qobject_cast<QSlider *>(d.settingControl(GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS, PowerSource::Ac));
    };
    {
        const auto other = makeDialog(Mode::Edit, m_saver);
        QTest::keyClicks(other->nameBox(), QStringLiteral(" (quiet)"));
        brightnessOf(*other)->setValue(30);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(other->save());
        QCOMPARE(m_platform->friendlyName(m_saver).valueOr({}), QStringLiteral("Power saver (quiet)"));
        QCOMPARE(stored(m_saver, PowerSource::Ac, GUID_VIDEO_SUBGROUP, GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS), 30u);
        QCOMPARE(m_platform->setActiveCalls(), 0);
        QCOMPARE(m_platform->activeScheme().valueOr({}), m_balanced);
    }
    {
        const auto active = makeDialog(Mode::Edit, m_balanced);
        QSignalSpy saved(active.get(), &PlanEditorDialog::saved);
        brightnessOf(*active)->setValue(20);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(active->save());
        QCOMPARE(saved.size(), 1);
        QCOMPARE(m_platform->setActiveCalls(), 1);
        QCOMPARE(active->result(), int(QDialog::Accepted));
        QVERIFY(!active->saveButton()->isEnabled());
    }
    // Refused: the values are written, but the dialog stays, ready to try again, and says nothing.
    m_platform->refuseActivation(true);
    MessageBox::takeShownTexts();
    const auto refused = makeDialog(Mode::Edit, m_balanced);
    refused->show();
    QSignalSpy saved(refused.get(), &PlanEditorDialog::saved);
    brightnessOf(*refused)->setValue(10);
    QTest::mouseClick(refused->saveButton(), Qt::LeftButton);
    QCOMPARE(stored(m_balanced, PowerSource::Ac, GUID_VIDEO_SUBGROUP, GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS), 10u);
    QVERIFY(refused->isVisible());
    QVERIFY(refused->saveButton()->isEnabled());
    QCOMPARE(saved.size(), 0);
    QVERIFY(MessageBox::takeShownTexts().isEmpty());
}

void TestPlanEditorDialog::rowsFollowWhatTheMachineHas()
{
    const QStringList alwaysOffered { text("IDS_DISPLAY_OFF"), text("IDS_HARDDISK_OFF"), text("IDS_MAKE_SLEEP"),
        text("IDS_MAKE_HIBERNATE"), text("IDS_LOCK_ON_WAKEUP"), text("IDS_PERFORMANCE_PROFILE") };

    // A laptop: every row, two columns.
    const auto laptop = makeDialog(Mode::Edit, m_balanced);
    QCOMPARE(laptop->rowLabels().size(), 11);
    QVERIFY(laptop->settingControl(GUID_LIDCLOSE_ACTION, PowerSource::Dc));
    // Every label's English fits beside its picture.
    const QFontMetrics labelFont(uiFont(9));
    for (const PictureButton *label : laptop->rowLabels())
        QVERIFY2(25 + labelFont.horizontalAdvance(label->caption()) <= label->width(), qPrintable(label->caption()));

    // A desktop with a power button: one column, the rows it lacks are gone.
    m_capabilities.capabilities = kDesktop;
    const auto desktop = makeDialog(Mode::Edit, m_balanced);
    QCOMPARE(captions(desktop->rowLabels()), QStringList { text("IDS_POWER_BTN_PRESS") } + alwaysOffered);
    QVERIFY(desktop->width() < laptop->width());
    QVERIFY(!desktop->settingControl(GUID_VIDEO_POWERDOWN_TIMEOUT, PowerSource::Dc));
    QVERIFY(MessageBox::takeShownTexts().isEmpty());

    // Capabilities unreadable: the failure is shown and only what every machine has is offered.
    m_capabilities.errorCode = 5;
    MessageBox::setNextAnswer(QMessageBox::Ok);
    const auto unknown = makeDialog(Mode::Create, m_balanced);
    QCOMPARE(MessageBox::takeShownTexts(),
        QStringList { QStringLiteral("Failed to read the power capabilities.\nError code: 5") });
    QCOMPARE(captions(unknown->rowLabels()), alwaysOffered);
}

void TestPlanEditorDialog::everyControlIsReachedWithTabAndShowsFocus()
{
    const auto dialog = makeDialog(Mode::Edit, m_balanced);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QTest::keyClicks(dialog->nameBox(), QStringLiteral("!"));

    QSet<QWidget *> controls { dialog->nameBox(), dialog->saveButton(), dialog->closeButton() };
    for (const PowerSettingRow &row : powerSettingRows()) {
        for (PowerSource source : { PowerSource::Ac, PowerSource::Dc })
            controls.insert(dialog->settingControl(row.setting, source));
    }
    QSet<QWidget *> reached;
    dialog->nameBox()->setFocus(Qt::TabFocusReason);
    for (int step = 0; step < 2 * controls.size() && reached.size() < controls.size(); ++step) {
        QWidget *focused = QApplication::focusWidget();
        QVERIFY(focused);
        const QImage withFocus = focused->grab().toImage();
        reached.insert(focused);
        QTest::keyClick(focused, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != focused);
        // A mark round the control, not a faint change of a few pixels.
        QVERIFY2(changedPixels(focused->grab().toImage(), withFocus) >= focused->width(),
            focused->metaObject()->className());
    }
    QCOMPARE(reached, controls);

    // Keys do what the pointer does: arrows step a timeout, Enter on Close asks first.
    QLineEdit *sleep = qobject_cast<QLineEdit *>(dialog->settingControl(GUID_STANDBY_TIMEOUT, PowerSource::Ac));
    QTest::keyClick(sleep, Qt::Key_Up);
    QCOMPARE(dialog->minutesSpin(GUID_STANDBY_TIMEOUT, PowerSource::Ac)->getPos(), 11);
    MessageBox::setNextAnswer(QMessageBox::No);
    dialog->closeButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dialog->closeButton(), Qt::Key_Return);
    QTRY_VERIFY(!dialog->isVisible());
    QCOMPARE(MessageBox::takeShownTexts(), QStringList { text("IDS_CLOSE_QUES") });
    QCOMPARE(stored(m_balanced, PowerSource::Ac, GUID_SLEEP_SUBGROUP, GUID_STANDBY_TIMEOUT), 600u);
}

void TestPlanEditorDialog::activePlanRowsTellWhatBecameOfTheirSettings()
{
    auto *applier = new FakePlanApplier(allSettings());
    applier->outcomes[Setting::Dim] = Outcome::Approximated;
    applier->details[Setting::Dim] = QStringLiteral("GNOME dims at half the blank time");
    applier->outcomes[Setting::Brightness] = Outcome::NeedsAdministrator;
    std::vector<std::unique_ptr<PlanApplier>> appliers;
    appliers.emplace_back(applier);
    ApplyCoordinator coordinator(std::move(appliers), kLaptop);
    FakePowerEvents events;
    PlanFollower follower(*m_platform, coordinator, events);
    QSignalSpy applied(&follower, &PlanFollower::applied);
    follower.start();
    QVERIFY(applied.wait());

    const auto active = makeDialog(Mode::Edit, m_balanced, &follower);
    active->show();
    QVERIFY(QTest::qWaitForWindowExposed(active.get()));
    QCOMPARE(active->size(), makeDialog(Mode::Edit, m_balanced)->size());
    QLabel *dim = active->outcomeLine(Setting::Dim);
    QCOMPARE(dim->toolTip(), QStringLiteral("Approximated: GNOME dims at half the blank time"));
    QVERIFY(dim->text().startsWith(QStringLiteral("Approximated: GNOME dims")));
    QCOMPARE(active->outcomeLine(Setting::PowerButton)->text(), QStringLiteral("Applied"));
    const QColor grey = dim->palette().color(QPalette::WindowText);
    QCOMPARE(active->outcomeLine(Setting::PowerButton)->palette().color(QPalette::WindowText), grey);
    const QColor red = active->outcomeLine(Setting::Brightness)->palette().color(QPalette::WindowText);
    QVERIFY(red != grey);

    // Every line fits in the free space under its label, whole, and is never focused.
    const QList<QWidget *> children = active->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (const Setting setting : allSettings()) {
        const QLabel *line = active->outcomeLine(setting);
        QVERIFY(line->isVisible());
        QCOMPARE(line->focusPolicy(), Qt::NoFocus);
        QVERIFY(line->fontMetrics().height() <= line->height());
        QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <= line->width());
        for (const QWidget *other : children)
            QVERIFY2(other == line || !other->isVisible() || !other->geometry().intersects(line->geometry()),
                qPrintable(line->text()));
    }

    // Applied again with other outcomes: the lines follow; a long reason is cut, whole in the tip.
    applier->outcomes = { { Setting::Dim, Outcome::ChangedOutsideAmpora }, { Setting::Lid, Outcome::Failed } };
    applier->details = { { Setting::Lid, QStringLiteral("logind refused the lid switch setting: access denied") } };
    events.setSource(PowerSource::Dc);
    QVERIFY(applied.wait());
    QCOMPARE(dim->text(), QStringLiteral("Changed outside Ampora"));
    QLabel *lid = active->outcomeLine(Setting::Lid);
    QCOMPARE(lid->toolTip(), QStringLiteral("Failed: logind refused the lid switch setting: access denied"));
    QVERIFY(lid->text().endsWith(QChar(0x2026)));
    QCOMPARE(lid->palette().color(QPalette::WindowText), red);
    QCOMPARE(active->outcomeLine(Setting::Brightness)->text(), QStringLiteral("Applied"));
    QCOMPARE(active->outcomeLine(Setting::Brightness)->palette().color(QPalette::WindowText), grey);

    // Another plan tells nothing until it becomes the active one; then the first one goes quiet.
    const auto other = makeDialog(Mode::Edit, m_saver, &follower);
    QVERIFY(other->outcomeLine(Setting::Dim)->isHidden());
    QVERIFY(m_platform->setActiveScheme(m_saver));
    QTRY_VERIFY(!other->outcomeLine(Setting::Dim)->isHidden());
    QVERIFY(dim->isHidden());

    const auto created = makeDialog(Mode::Create, m_saver, &follower);
    for (const Setting setting : allSettings())
        QVERIFY(!created->outcomeLine(setting));
}

QTEST_MAIN(TestPlanEditorDialog)
#include "TestPlanEditorDialog.moc"
