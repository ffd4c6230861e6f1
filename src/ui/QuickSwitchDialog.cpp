#include "QuickSwitchDialog.h"

QuickSwitchDialog::QuickSwitchDialog(const Services &services, QWidget *parent)
    : QDialog(parent)
    , m_services(services)
{
}
