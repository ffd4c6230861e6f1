#pragma once

#include <QWidget>

enum class PageKind { Summary, PlanList, ScheduledPlans };

// What every page of the main window shares with the frame: it fills the frame's client area,
// forwards commands to the frame, and reloads when the frame says the active plan changed.
class Page : public QWidget
{
    Q_OBJECT
public:
    explicit Page(QWidget *parent = nullptr);

    // The active plan changed or a refresh was asked: reload what the page shows.
    virtual void refresh() {}
    // The window title was reloaded from the language file; pages take no action by default.
    virtual void titleReloaded() {}

Q_SIGNALS:
    // A command for the main frame (see CommandId).
    void commandRequested(int id);
};
