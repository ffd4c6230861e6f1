#pragma once

#include "Page.h"
#include "PageServices.h"

// The page that lists every schedule, time-based and network-based, and where they are added,
// edited, enabled, disabled and removed.
class SchedulesPage : public Page
{
    Q_OBJECT
public:
    explicit SchedulesPage(const PageServices &services, QWidget *parent = nullptr);

private:
    PageServices m_services;
};
