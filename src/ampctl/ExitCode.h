// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// ampctl's exit statuses, as --help and the manual page list them; scripts branch on them, so a
// number never changes meaning.
enum class ExitCode {
    Success = 0,
    SystemError = 1, // a file, the plan store or the task folder refused; the program is missing
    UsageError = 2, // unknown command or option, wrong arguments, a bad date, time, day list or value
    NotFound = 3, // no such plan, schedule or network, or a name that fits more than one
    Duplicate = 4, // the network has a schedule already; another plan has the name
    TimeSkipped = 5, // the --once time is one the local clock skips (a daylight-saving gap)
    InUse = 6, // the plan is active or a schedule uses it
    NotOffered = 7, // this machine has no such setting, or no battery for an on-battery value
    BadFile = 8, // the file to import is no plan file this version reads, or has bad lines
    ReadOnly = 9, // the administrator set the plan, the setting or the active plan for every user
};
