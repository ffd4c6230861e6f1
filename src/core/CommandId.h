#pragma once

// Every command that pages, buttons and menus send to the main frame. The numbers are stable:
// they travel between windows and are what the frame's one routing table switches on.
enum CommandId : int {
    CmdNone = 0,
    CmdNothing501 = 501,
    CmdWebHome = 502,
    CmdSettings = 503,
    CmdLinkLibrary = 504,
    CmdNothing506 = 506,
    CmdWeb507 = 507,
    CmdWeb508 = 508,
    CmdWeb509 = 509,
    CmdShowSummary = 510,
    CmdTotalsLine = 527,
    CmdCreatePlan = 533,
    CmdManagePlans = 534,
    CmdSchedulePlans = 535,
    CmdChangePlanLink = 539,
    CmdBatteryLink = 540,
    CmdPopupClose = 551,
    CmdCloseMainWindow = 553,
    CmdReportList = 1004,
    CmdExit = 1007,
    CmdHelp = 40001,
    CmdHelpFile = 40011,
    CmdUpdate = 40012,
    CmdSupport = 40013,
    CmdAbout = 40014,
    CmdTrayToggle = 40049,
    CmdAppAbout = 57664,
};
