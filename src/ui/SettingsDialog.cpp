#include "SettingsDialog.h"

SettingsDialog::SettingsDialog(const Services &services, QWidget *parent)
    : QDialog(parent)
    , m_services(services)
{
}
