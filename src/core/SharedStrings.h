// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"

#include <QLocale>
#include <QSize>
#include <QString>

// Paths and texts fixed at start-up and read everywhere. One instance per process; tests fill it
// with temporary paths.
struct SharedStrings
{
    QString commandLine; // the arguments after the program path, joined by single blanks
    QString programFolder; // where the language file (and the page picture) live
    QString executableFile; // full path of the running program, for tasks that start it again
    QString settingsFile; // ampctlset.ini
    QString languageFile; // ampctleng.ini or a translation beside it
    QString dataFolder; // $XDG_CONFIG_HOME/ampora: network file and scheme store
    QString networkFile; // AmporaNetworkInfo.ini in dataFolder
    QString schemeStoreFile; // schemes.ini in dataFolder
    QString taskNamePrefix = QStringLiteral("AMPCTL");
    QString appTitle;
    QString messageCaption = QStringLiteral("Ampora");
    QString pictureFile; // the page logo beside the language file
    QSize pictureSize; // its size once decoded; empty when it could not be read
};

namespace Program {

AMPORA_BASE_EXPORT SharedStrings &sharedStrings();

// Fills the path members from where the program file lives:
//  - a language file beside the program (build tree, portable copy): that folder is the program
//    folder and holds the settings file too;
//  - otherwise an installed program: language file from <prefix>/share/ampora (or the XDG data
//    folders), settings file in $XDG_CONFIG_HOME/ampora.
// The language file is chosen by chooseLanguageFile() with the desktop's locale. Creates the data
// folder; a failure to create it is ignored.
AMPORA_BASE_EXPORT void resolveSharedPaths(SharedStrings &strings, const QString &executableFile);

// The language file in `programFolder`: English (ampctleng.ini) or a translation beside it
// (ampctleng_<language>.ini). A language named in the settings file ("IDS_LANGUAGE") picks the
// translation of its abbreviation ("IDS_LANGUAGE_ABR", DE gives ampctleng_de.ini); with none named,
// the desktop's locale picks it (de_AT gives ampctleng_de_at.ini, else ampctleng_de.ini). English
// when there is no such translation.
AMPORA_BASE_EXPORT QString chooseLanguageFile(
    const QString &programFolder, const QString &settingsFile, const QLocale &locale);

// Full path of the running program, without needing an application object.
AMPORA_BASE_EXPORT QString currentExecutableFile();

// Whether text may become part of a file name as a language: 1 to 16 of a-z, 0-9, '_' and '-'.
AMPORA_BASE_EXPORT bool isPlainLanguageTag(const QString &text);

} // namespace Program
