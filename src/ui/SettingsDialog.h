// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"
#include "UnsavedChangesDialog.h"

#include <array>

class PictureButton;
class QCheckBox;

// The program's six on/off options, each kept in the settings file as "TRUE" or "FALSE". Apply
// writes them all and keeps the run-at-logon entry in line with the first two; the dialog stays
// open after it.
class SettingsDialog : public UnsavedChangesDialog
{
    Q_OBJECT
public:
    enum Option { RunAtLogon, StartHidden, CloseToTray, ManageAutomatically, NotifyPlanChanges, NotifyBatteryChanges };
    static constexpr int kOptionCount = 6;

    explicit SettingsDialog(const Services &services, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    bool hasUnsavedChanges() const override { return m_unsaved; }
    // Apply leaves the dialog open; closing after it is the close the user asked for.
    void saveAndClose() override;

private:
    bool showsBatteryOption();
    void readOptions();
    void onOptionClicked(Option which);
    void loadDefaults();
    // Writes the options and the logon entry; false when something was refused.
    bool apply();
    void setUnsaved(bool unsaved);
    void updateLoadDefault();

    Services m_services;
    std::array<QCheckBox *, kOptionCount> m_options {};
    PictureButton *m_loadDefaultButton = nullptr;
    PictureButton *m_applyButton = nullptr;
    PictureButton *m_closeButton = nullptr;
    bool m_unsaved = false;
    QString m_capabilityFailure; // told once the dialog shows
};
