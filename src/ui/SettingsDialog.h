#pragma once

#include "Services.h"

#include <QDialog>

// The program's six on/off options, kept in the settings file; Apply also keeps the run-at-logon
// entry in line with the first two.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(const Services &services, QWidget *parent = nullptr);

private:
    Services m_services;
};
