#pragma once

#include "Services.h"

#include <QDialog>

// The small window that makes another plan the active one in two clicks.
class QuickSwitchDialog : public QDialog
{
    Q_OBJECT
public:
    explicit QuickSwitchDialog(const Services &services, QWidget *parent = nullptr);

private:
    Services m_services;
};
