// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplyCoordinator.h"
#include "DialogControl.h"
#include "FakePlanApplier.h"
#include "FakePowerEvents.h"
#include "FakeServices.h"
#include "MessageBox.h"
#include "PictureButton.h"
#include "PlanEditing.h"
#include "PlanEditorDialog.h"
#include "PlanFollower.h"
#include "Profile.h"
#include "UiFonts.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <memory>

using ApplySetting::settingRow;

using namespace Qt::StringLiterals;
using ApplySetting::allSettings;
using PowerSettings::powerSettingRows;
using Profile::loadText;

using Mode = PlanEditorDialog::Mode;

namespace {

constexpr PlanCapabilities kLaptop { true, true, true, true, true };
constexpr PlanCapabilities kDesktop { true, false, false, false, false };

QLineEdit *nameBox(const QWidget &dialog)
{
    return control<QLineEdit>(dialog, u"nameBox"_s);
}

PictureButton *saveButton(const QWidget &dialog)
{
    return control<PictureButton>(dialog, u"saveButton"_s);
}

QLabel *outcomeLine(const QWidget &dialog, Setting setting)
{
    return control<QLabel>(dialog, settingRow(setting).name.toString() + u"/outcome"_s);
}

QStringList rowCaptions(const QWidget &dialog)
{
    QStringList captions;
    for (const PictureButton *label : dialog.findChildren<PictureButton *>(QRegularExpression(u"/label$"_s)))
        captions.append(label->caption());
    return captions;
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

// Save with the keyboard, answering the message it may show.
void pressSave(const QWidget &dialog)
{
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::keyClick(saveButton(dialog), Qt::Key_Space);
}

enum class Meanwhile { Nothing, PlanDeleted, StoreUnreadable };

} // namespace

class TestPlanEditorDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_fake = std::make_unique<FakeServices>();
        QVERIFY2(!loadText(u"IDS_SAVE"_s).isEmpty(), "the language file was not found");
        m_platform = &m_fake->platform;
        m_balanced = m_platform->addScheme(u"Balanced"_s);
        m_saver = m_platform->addScheme(u"Power saver"_s);
        for (const QUuid &plan : { m_balanced, m_saver }) {
            for (const PowerSettingRow &row : powerSettingRows()) {
                const quint32 value
                    = row.kind == SettingKind::Timeout ? 600 : (row.kind == SettingKind::Brightness ? 70 : 1);
                for (PowerSource source : { PowerSource::Ac, PowerSource::Dc })
                    QVERIFY(m_platform->writeValueIndex(source, plan, row.subgroup, row.setting, value));
            }
        }
        // 90 seconds is not a whole number of minutes.
        QVERIFY(m_platform->writeValueIndex(
            PowerSource::Ac, m_balanced, GUID_VIDEO_SUBGROUP, GUID_VIDEO_POWERDOWN_TIMEOUT, 90));
        m_fake->capabilities.capabilities = kLaptop;
        MessageBox::takeShownTexts();
    }

    void saveIsEnabledByEveryKindOfChange()
    {
        // An existing plan shows its name and values; a change of any kind of control enables Save.
        const std::pair<QString, Qt::Key> changes[] = { { u"lid/dc"_s, Qt::Key_Down },
            { u"hibernate/ac"_s, Qt::Key_Down }, { u"brightness/ac"_s, Qt::Key_Right }, { u"nameBox"_s, Qt::Key_2 } };
        for (const auto &[name, key] : changes) {
            const auto edited = makeDialog(Mode::Edit, m_saver);
            QCOMPARE(nameBox(*edited)->text(), u"Power saver"_s);
            QVERIFY(!saveButton(*edited)->isEnabled());
            QTest::keyClick(control(*edited, name), key);
            QVERIFY2(saveButton(*edited)->isEnabled(), qPrintable(name));
        }
        QVERIFY(MessageBox::takeShownTexts().isEmpty());
    }

    void createWritesACopyWithTheTypedNameAndValues()
    {
        const auto dialog = makeDialog(Mode::Create, m_balanced);
        QCOMPARE(dialog->windowTitle(), loadText(u"IDS_CREATE_POWER_PLAN"_s));
        QCOMPARE(control<QLineEdit>(*dialog, u"display-off/ac"_s)->text(), u"1 minute"_s);
        QCOMPARE(control<QLineEdit>(*dialog, u"disk-off/dc"_s)->text(), u"10 minutes"_s);

        // A new plan needs a name first, and again after the name has been deleted.
        QCOMPARE(saveButton(*dialog)->caption(), loadText(u"IDS_CREATE_AND_SCHEDULE"_s));
        QVERIFY(!saveButton(*dialog)->isEnabled());
        QTest::keyClicks(nameBox(*dialog), u"Quiet"_s);
        QVERIFY(saveButton(*dialog)->isEnabled());
        nameBox(*dialog)->selectAll();
        QTest::keyClick(nameBox(*dialog), Qt::Key_Backspace);
        QVERIFY(!saveButton(*dialog)->isEnabled());
        QTest::keyClicks(nameBox(*dialog), u"Presentation"_s);
        control<QComboBox>(*dialog, u"power-button/ac"_s)->setCurrentIndex(3);
        QTest::keyClick(control(*dialog, u"disk-off/dc"_s), Qt::Key_Up);
        control<QSlider>(*dialog, u"brightness/dc"_s)->setValue(40);

        QSignalSpy saved(dialog.get(), &PlanEditorDialog::saved);
        QTimer::singleShot(0, dialog.get(), [&] { pressSave(*dialog); });
        QCOMPARE(dialog->exec(), int(QDialog::Accepted));
        QCOMPARE(saved.size(), 1);
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_PLAN_OK"_s) });

        QCOMPARE(m_platform->storedSchemes().size(), 3);
        const FakePowerPlatform::Scheme copy = m_platform->storedSchemes().last();
        QCOMPARE(dialog->plan(), copy.guid);
        QCOMPARE(copy.name + u'|' + copy.description, u"Presentation|"_s + kCreatedPlanDescription.toString());
        QCOMPARE(stored(copy.guid, PowerSource::Ac, Setting::PowerButton), 3u);
        QCOMPARE(stored(copy.guid, PowerSource::Dc, Setting::DiskOff), 660u);
        QCOMPARE(stored(copy.guid, PowerSource::Dc, Setting::Brightness), 40u);
        // What was shown is what is written: 90 seconds became one minute.
        QCOMPARE(stored(copy.guid, PowerSource::Ac, Setting::DisplayOff), 60u);
        // The source and the active plan are left as they were.
        QCOMPARE(stored(m_balanced, PowerSource::Ac, Setting::PowerButton), 1u);
        QCOMPARE(m_platform->activeScheme().valueOr({}), m_balanced);
        QCOMPARE(m_platform->setActiveCalls(), 0);
    }

    // Cancel keeps the dialog open; Yes saves, which a taken name refuses, and keeps it with the edit;
    // No closes it. Unchanged, it closes without asking.
    void closingAfterAChangeAsks()
    {
        const auto dialog = makeDialog(Mode::Create, m_balanced);
        dialog->show();
        QTest::keyClicks(nameBox(*dialog), u"power SAVER"_s);
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        QTest::mouseClick(control(*dialog, u"closeButton"_s), Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        MessageBox::setNextAnswer(QMessageBox::Yes);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        MessageBox::setNextAnswer(QMessageBox::No);
        QSignalSpy saved(dialog.get(), &PlanEditorDialog::saved);
        QTimer::singleShot(0, dialog.get(), [&] {
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
            QVERIFY(dialog->isVisible());
            QCOMPARE(nameBox(*dialog)->text(), u"power SAVER"_s);
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        });
        QCOMPARE(dialog->exec(), int(QDialog::Rejected));
        QCOMPARE(MessageBox::takeShownTexts(),
            (QStringList { loadText(u"IDS_CLOSE_QUES"_s), loadText(u"IDS_CLOSE_QUES"_s),
                loadText(u"IDS_INVALID_NAME_ERROR"_s), loadText(u"IDS_CLOSE_QUES"_s) }));
        QCOMPARE(saved.size(), 0);
        QCOMPARE(m_platform->storedSchemes().size(), 2);

        const auto unchanged = makeDialog(Mode::Edit, m_saver);
        unchanged->show();
        QTest::mouseClick(control(*unchanged, u"closeButton"_s), Qt::LeftButton);
        QVERIFY(MessageBox::takeShownTexts().isEmpty());
        QCOMPARE(unchanged->result(), int(QDialog::Rejected));
    }

    void refusedSaveKeepsTheDialogAndTheEdits_data()
    {
        QTest::addColumn<Mode>("mode"); // a copy of Balanced, or Power saver changed
        QTest::addColumn<QString>("name");
        QTest::addColumn<Meanwhile>("meanwhile"); // what another process does while the dialog is open
        QTest::addColumn<QString>("told"); // the language key; empty for the store's own reason
        // The store's one rule (see the catalogue's test) in the dialog's words, in both modes.
        QTest::newRow("blank") << Mode::Create << u"   "_s << Meanwhile::Nothing << u"IDS_NO_NAME_ERROR"_s;
        QTest::newRow("tab") << Mode::Create << u"Eco\tmode"_s << Meanwhile::Nothing << u"IDS_NAME_CHARACTERS_ERROR"_s;
        QTest::newRow("taken, editing") << Mode::Edit << u" Balanced"_s << Meanwhile::Nothing
                                        << u"IDS_INVALID_NAME_ERROR"_s;
        // Not saved, and not said to be; nothing brings the plan back.
        QTest::newRow("plan deleted meanwhile")
            << Mode::Edit << u"Power saver (quiet)"_s << Meanwhile::PlanDeleted << u"IDS_PLAN_GONE_ERROR"_s;
        QTest::newRow("store refuses the copy")
            << Mode::Create << u"Quiet"_s << Meanwhile::StoreUnreadable << QString();
    }

    void refusedSaveKeepsTheDialogAndTheEdits()
    {
        QFETCH(Mode, mode);
        QFETCH(QString, name);
        QFETCH(Meanwhile, meanwhile);
        QFETCH(QString, told);
        const QUuid plan = mode == Mode::Create ? m_balanced : m_saver;
        const auto dialog = makeDialog(mode, plan);
        dialog->show();
        nameBox(*dialog)->setText(name);
        if (meanwhile == Meanwhile::PlanDeleted)
            QVERIFY(m_platform->deleteScheme(m_saver));
        m_platform->setUnreadable(meanwhile == Meanwhile::StoreUnreadable);
        QSignalSpy saved(dialog.get(), &PlanEditorDialog::saved);
        pressSave(*dialog);
        m_platform->setUnreadable(false);

        const QStringList shown = MessageBox::takeShownTexts();
        QCOMPARE(shown.size(), 1);
        if (told.isEmpty())
            QVERIFY(!shown.first().isEmpty() && shown.first() != loadText(u"IDS_PLAN_OK"_s));
        else
            QCOMPARE(shown.first(), loadText(told));
        QVERIFY(dialog->isVisible() && saveButton(*dialog)->isEnabled() && saved.isEmpty());
        QCOMPARE(nameBox(*dialog)->text(), name);
        QCOMPARE(dialog->plan(), plan);
        QCOMPARE(m_platform->storedSchemes().size(), meanwhile == Meanwhile::PlanDeleted ? 1 : 2);
        QCOMPARE(m_platform->friendlyName(m_balanced).valueOr({}), u"Balanced"_s);
    }

    void editingActivatesAgainOnlyTheActivePlan()
    {
        const auto brightnessOf = [](const PlanEditorDialog &d) { return control<QSlider>(d, u"brightness/ac"_s); };
        const auto other = makeDialog(Mode::Edit, m_saver);
        QTest::keyClicks(nameBox(*other), u" (quiet)"_s);
        brightnessOf(*other)->setValue(30);
        pressSave(*other);
        QCOMPARE(m_platform->friendlyName(m_saver).valueOr({}), u"Power saver (quiet)"_s);
        QCOMPARE(stored(m_saver, PowerSource::Ac, Setting::Brightness), 30u);
        QCOMPARE(m_platform->setActiveCalls(), 0);
        QCOMPARE(m_platform->activeScheme().valueOr({}), m_balanced);

        const auto active = makeDialog(Mode::Edit, m_balanced);
        QSignalSpy saved(active.get(), &PlanEditorDialog::saved);
        brightnessOf(*active)->setValue(20);
        pressSave(*active);
        QCOMPARE(saved.size(), 1);
        QCOMPARE(m_platform->setActiveCalls(), 1);
        QCOMPARE(active->result(), int(QDialog::Accepted));
        QVERIFY(!saveButton(*active)->isEnabled());

        // Refused: the values are written, but the dialog stays, ready to try again, and says nothing.
        m_platform->refuseActivation(true);
        MessageBox::takeShownTexts();
        const auto refused = makeDialog(Mode::Edit, m_balanced);
        refused->show();
        QSignalSpy refusedSaved(refused.get(), &PlanEditorDialog::saved);
        brightnessOf(*refused)->setValue(10);
        QTest::mouseClick(saveButton(*refused), Qt::LeftButton);
        QCOMPARE(stored(m_balanced, PowerSource::Ac, Setting::Brightness), 10u);
        QVERIFY(refused->isVisible() && saveButton(*refused)->isEnabled() && refusedSaved.isEmpty());
        QVERIFY(MessageBox::takeShownTexts().isEmpty());
    }

    void rowsFollowWhatTheMachineHas()
    {
        const QStringList alwaysOffered { loadText(u"IDS_DISPLAY_OFF"_s), loadText(u"IDS_HARDDISK_OFF"_s),
            loadText(u"IDS_MAKE_SLEEP"_s), loadText(u"IDS_MAKE_HIBERNATE"_s), loadText(u"IDS_LOCK_ON_WAKEUP"_s),
            loadText(u"IDS_PERFORMANCE_PROFILE"_s) };

        // A laptop: every row, two columns; every label's English fits beside its picture.
        const auto laptop = makeDialog(Mode::Edit, m_balanced);
        const QList<PictureButton *> labels = laptop->findChildren<PictureButton *>(QRegularExpression(u"/label$"_s));
        QCOMPARE(labels.size(), 11);
        QVERIFY(laptop->findChild<QComboBox *>(u"lid/dc"_s));
        const QFontMetrics labelFont(uiFont(9));
        for (const PictureButton *label : labels)
            QVERIFY2(
                25 + labelFont.horizontalAdvance(label->caption()) <= label->width(), qPrintable(label->caption()));

        // A desktop with a power button: one column, the rows it lacks are gone.
        m_fake->capabilities.capabilities = kDesktop;
        const auto desktop = makeDialog(Mode::Edit, m_balanced);
        QCOMPARE(rowCaptions(*desktop), QStringList { loadText(u"IDS_POWER_BTN_PRESS"_s) } + alwaysOffered);
        QVERIFY(desktop->width() < laptop->width());
        QVERIFY(!desktop->findChild<QWidget *>(u"display-off/dc"_s));
        QVERIFY(MessageBox::takeShownTexts().isEmpty());

        // Capabilities unreadable: the failure is shown and only what every machine has is offered.
        m_fake->capabilities.errorCode = 5;
        MessageBox::setNextAnswer(QMessageBox::Ok);
        const auto unknown = makeDialog(Mode::Create, m_balanced);
        QCOMPARE(
            MessageBox::takeShownTexts(), QStringList { u"Failed to read the power capabilities.\nError code: 5"_s });
        QCOMPARE(rowCaptions(*unknown), alwaysOffered);
    }

    void everyControlIsReachedWithTabAndShowsFocus()
    {
        const auto dialog = makeDialog(Mode::Edit, m_balanced);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QTest::keyClicks(nameBox(*dialog), u"!"_s);

        const QList<QWidget *> named
            = dialog->findChildren<QWidget *>(QRegularExpression(u"^(nameBox|saveButton|closeButton|.*/(ac|dc))$"_s));
        const QSet<QWidget *> controls(named.cbegin(), named.cend());
        QCOMPARE(controls.size(), 3 + 2 * 11);
        QSet<QWidget *> reached;
        nameBox(*dialog)->setFocus(Qt::TabFocusReason);
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

        // Enter on Close asks first, as a click does, rather than saving. (Arrows step a timeout in the
        // create test.)
        MessageBox::setNextAnswer(QMessageBox::No);
        PictureButton *close = control<PictureButton>(*dialog, u"closeButton"_s);
        close->setFocus(Qt::TabFocusReason);
        QTest::keyClick(close, Qt::Key_Return);
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { loadText(u"IDS_CLOSE_QUES"_s) });
        QCOMPARE(m_platform->friendlyName(m_balanced).valueOr({}), u"Balanced"_s);
    }

    void activePlanRowsTellWhatBecameOfTheirSettings()
    {
        auto *applier = new FakePlanApplier(allSettings());
        applier->outcomes[Setting::Dim] = Outcome::Approximated;
        applier->details[Setting::Dim] = u"GNOME dims at half the blank time"_s;
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
        QLabel *dim = outcomeLine(*active, Setting::Dim);
        QCOMPARE(dim->toolTip(), u"Approximated: GNOME dims at half the blank time"_s);
        QVERIFY(dim->text().startsWith(u"Approximated: GNOME dims"_s));
        QCOMPARE(outcomeLine(*active, Setting::PowerButton)->text(), u"Applied"_s);
        const QColor grey = dim->palette().color(QPalette::WindowText);
        QCOMPARE(outcomeLine(*active, Setting::PowerButton)->palette().color(QPalette::WindowText), grey);
        const QColor red = outcomeLine(*active, Setting::Brightness)->palette().color(QPalette::WindowText);
        QVERIFY(red != grey);

        // Every line fits in the free space under its label, whole, and is never focused.
        const QList<QWidget *> children = active->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (const Setting setting : allSettings()) {
            const QLabel *line = outcomeLine(*active, setting);
            QVERIFY(line->isVisible());
            QCOMPARE(line->focusPolicy(), Qt::NoFocus);
            QVERIFY(line->fontMetrics().height() <= line->height());
            QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <= line->width());
            for (const QWidget *other : children)
                QVERIFY2(other == line || !other->isVisible() || !other->geometry().intersects(line->geometry()),
                    qPrintable(line->text()));
        }

        // The disk row's button sets the spin-down time on request, on a worker: here no system bus
        // answers, which the row and a message tell. Without a status for the plan it is disabled.
        auto *disks = active->findChild<PictureButton *>(u"disk-off/apply"_s);
        QVERIFY(disks->isEnabled());
        QVERIFY(!makeDialog(Mode::Edit, m_balanced)->findChild<PictureButton *>(u"disk-off/apply"_s)->isEnabled());
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(disks, Qt::Key_Space);
        const QString noBus = u"Not on this machine: there is no system bus to reach UDisks"_s;
        QTRY_COMPARE(outcomeLine(*active, Setting::DiskOff)->toolTip(), noBus);
        QCOMPARE(MessageBox::takeShownTexts(), QStringList { u"The disks' spin-down time:\n"_s + noBus });
        QVERIFY(disks->isEnabled());

        // Applied again with other outcomes: the lines follow; a long reason is cut, whole in the tip.
        applier->outcomes = { { Setting::Dim, Outcome::ChangedOutsideAmpora }, { Setting::Lid, Outcome::Failed } };
        applier->details = { { Setting::Lid, u"logind refused the lid switch setting: access denied"_s } };
        events.setSource(PowerSource::Dc);
        QVERIFY(applied.wait());
        QCOMPARE(dim->text(), u"Changed outside Ampora"_s);
        QLabel *lid = outcomeLine(*active, Setting::Lid);
        QCOMPARE(lid->toolTip(), u"Failed: logind refused the lid switch setting: access denied"_s);
        QVERIFY(lid->text().endsWith(QChar(0x2026)));
        QCOMPARE(lid->palette().color(QPalette::WindowText), red);
        QCOMPARE(outcomeLine(*active, Setting::Brightness)->text(), u"Applied"_s);
        QCOMPARE(outcomeLine(*active, Setting::Brightness)->palette().color(QPalette::WindowText), grey);

        // Another plan tells nothing until it becomes the active one; then the first one goes quiet.
        const auto other = makeDialog(Mode::Edit, m_saver, &follower);
        QVERIFY(outcomeLine(*other, Setting::Dim)->isHidden());
        QVERIFY(m_platform->setActiveScheme(m_saver));
        QTRY_VERIFY(!outcomeLine(*other, Setting::Dim)->isHidden());
        QVERIFY(dim->isHidden());

        const auto created = makeDialog(Mode::Create, m_saver, &follower);
        QVERIFY(created->findChildren<QLabel *>(QRegularExpression(u"/outcome$"_s)).isEmpty());
    }

private:
    std::unique_ptr<PlanEditorDialog> makeDialog(Mode mode, const QUuid &plan, PlanFollower *follower = nullptr)
    {
        return std::make_unique<PlanEditorDialog>(mode, plan, m_fake->services(), nullptr, follower);
    }

    // The value the store holds for the plan's setting.
    quint32 stored(const QUuid &plan, PowerSource source, Setting setting) const
    {
        const PowerSettingRow &row = settingRow(setting);
        return m_platform->valueIndex(source, plan, row.subgroup, row.setting).valueOr(kUnreadableValue);
    }

    std::unique_ptr<FakeServices> m_fake;
    FakePowerPlatform *m_platform = nullptr;
    QUuid m_balanced;
    QUuid m_saver;
};

QTEST_MAIN(TestPlanEditorDialog)
#include "TestPlanEditorDialog.moc"
