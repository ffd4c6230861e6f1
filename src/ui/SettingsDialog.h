#pragma once

#include "Services.h"

#include <QDialog>
#include <array>

class PictureButton;
class QCheckBox;

// The program's six on/off options, each kept in the settings file as "TRUE" or "FALSE". Apply
// writes them all and keeps the run-at-logon entry in line with the first two; the dialog stays
// open after it.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    enum Option { RunAtLogon, StartHidden, CloseToTray, ManageAutomatically, NotifyPlanChanges, NotifyBatteryChanges };
    static constexpr int kOptionCount = 6;

    explicit SettingsDialog(const Services &services, QWidget *parent = nullptr);

    QCheckBox *option(Option which) const { return m_options[which]; }
    PictureButton *loadDefaultButton() const { return m_loadDefaultButton; }
    PictureButton *applyButton() const { return m_applyButton; }
    PictureButton *closeButton() const { return m_closeButton; }
    bool hasUnsavedChanges() const { return m_unsaved; }

public Q_SLOTS:
    // Close, Esc and the close box: asks first when there are unsaved changes.
    void reject() override;

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
};
