#pragma once

// Every command that pages, buttons and menus send to the main window. The numbers are stable:
// they travel between windows and are what the main window's one routing table switches on.
enum CommandId : int {
    CmdNone = 0,
    CmdIgnored501 = 501, // forwarded like the web commands, but does nothing
    CmdOpenFaqPage = 502,
    CmdOpenSettings = 503,
    CmdRunLinkLibrary = 504,
    CmdIgnored506 = 506,
    CmdOpenSocialPage = 507,
    CmdOpenSecondSocialPage = 508,
    CmdOpenThirdSocialPage = 509,
    CmdShowSummary = 510,
    CmdCreatePlanFromList = 511,
    CmdEditPlan = 512,
    CmdDeletePlan = 513,
    CmdAddSchedule = 514,
    CmdEditSchedule = 515,
    CmdRemoveSchedules = 516,
    CmdEnableSchedule = 517,
    CmdDisableSchedule = 518,
    CmdTotalsLine = 527, // the summary page's three totals lines share this id
    CmdCreatePlan = 533,
    CmdManagePlans = 534,
    CmdShowSchedules = 535,
    CmdChangePlanLink = 539,
    CmdShowBatteryStatus = 540,
    CmdClosePopup = 551,
    CmdCloseMainWindow = 553,
    CmdPleaseWaitProgress = 1004,
    CmdExitProgram = 1007,
    CmdShowHelpMenu = 40001,
    CmdOpenHelpFile = 40011,
    CmdRunUpdater = 40012,
    CmdOpenSupportPage = 40013,
    CmdShowAbout = 40014,
    CmdToggleTray = 40049,
    CmdTrayAbout = 57664,
};
