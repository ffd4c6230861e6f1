// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandActions.h"

#include <QAction>

namespace {

const char *nameOf(CommandId id)
{
    switch (id) {
    case CmdOpenFaqPage:
        return "openFaqPage";
    case CmdOpenSettings:
        return "openSettings";
    case CmdRunLinkLibrary:
        return "runLinkLibrary";
    case CmdOpenSocialPage:
        return "openSocialPage";
    case CmdOpenSecondSocialPage:
        return "openSecondSocialPage";
    case CmdOpenThirdSocialPage:
        return "openThirdSocialPage";
    case CmdShowSummary:
        return "showSummary";
    case CmdCreatePlanFromList:
        return "createPlanFromList";
    case CmdEditPlan:
        return "editPlan";
    case CmdDeletePlan:
        return "deletePlan";
    case CmdAddSchedule:
        return "addSchedule";
    case CmdEditSchedule:
        return "editSchedule";
    case CmdRemoveSchedules:
        return "removeSchedules";
    case CmdEnableSchedule:
        return "enableSchedule";
    case CmdDisableSchedule:
        return "disableSchedule";
    case CmdCreatePlan:
        return "createPlan";
    case CmdManagePlans:
        return "managePlans";
    case CmdShowSchedules:
        return "showSchedules";
    case CmdChangePlanLink:
        return "changePlanLink";
    case CmdShowBatteryStatus:
        return "showBatteryStatus";
    case CmdClosePopup:
        return "closePopup";
    case CmdActivatePlan:
        return "activatePlan";
    case CmdCopyPlan:
        return "copyPlan";
    case CmdExportPlan:
        return "exportPlan";
    case CmdImportPlan:
        return "importPlan";
    case CmdRestoreDefaultPlans:
        return "restoreDefaultPlans";
    case CmdExitProgram:
        return "exitProgram";
    case CmdShowHelpMenu:
        return "showHelpMenu";
    case CmdOpenHelpFile:
        return "openHelpFile";
    case CmdRunUpdater:
        return "runUpdater";
    case CmdOpenSupportPage:
        return "openSupportPage";
    case CmdShowAbout:
        return "showAbout";
    case CmdToggleTray:
        return "toggleTray";
    case CmdTrayAbout:
        return "trayAbout";
    }
    return "command";
}

} // namespace

CommandActions::CommandActions(QObject *parent)
    : QObject(parent)
{
}

QAction *CommandActions::action(CommandId id)
{
    QAction *&action = m_actions[id];
    if (!action) {
        action = new QAction(this);
        action->setObjectName(QLatin1StringView(nameOf(id)));
    }
    return action;
}
