// SPDX-License-Identifier: GPL-3.0-or-later
#include "SharedStrings.h"

#include "AtomicFile.h"
#include "IniFile.h"
#include "Profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

using Program::currentExecutableFile;
using Program::resolveSharedPaths;
using Program::sharedStrings;

namespace Program {

namespace {

const QString kLanguageFileName = QStringLiteral("ampctleng.ini");
const QString kSettingsFileName = QStringLiteral("ampctlset.ini");
// The section of the settings that name the user's language, read here before the shared paths
// that Profile's lookups use are set.
const QString kSettingsSection = QStringLiteral("Ampora");

QString installedDataFolder(const QString &executableFolder)
{
    const QString besidePrefix = QDir::cleanPath(executableFolder + QStringLiteral("/../share/ampora"));
    if (QFileInfo::exists(besidePrefix + u'/' + kLanguageFileName))
        return besidePrefix;
    const QString located
        = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("ampora/") + kLanguageFileName);
    return located.isEmpty() ? QString() : QFileInfo(located).absolutePath();
}

} // namespace

SharedStrings &sharedStrings()
{
    static SharedStrings strings;
    return strings;
}

QString currentExecutableFile()
{
    const QString viaProc = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!viaProc.isEmpty())
        return viaProc;
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

void resolveSharedPaths(SharedStrings &strings, const QString &executableFile)
{
    strings.executableFile = executableFile;
    const QString executableFolder = QFileInfo(executableFile).absolutePath();
    strings.dataFolder
        = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/ampora");
    // What is kept there tells where the user has been (network names): theirs alone.
    if (AtomicFile::makePrivateFolder(strings.dataFolder))
        QFile::setPermissions(strings.dataFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    strings.networkFile = strings.dataFolder + QStringLiteral("/AmporaNetworkInfo.ini");
    strings.schemeStoreFile = strings.dataFolder + QStringLiteral("/schemes.ini");

    if (QFileInfo::exists(executableFolder + u'/' + kLanguageFileName)) {
        strings.programFolder = executableFolder;
        strings.settingsFile = executableFolder + u'/' + kSettingsFileName;
    } else {
        const QString installed = installedDataFolder(executableFolder);
        strings.programFolder = installed.isEmpty() ? executableFolder : installed;
        strings.settingsFile = strings.dataFolder + u'/' + kSettingsFileName;
    }
    strings.languageFile = chooseLanguageFile(strings.programFolder, strings.settingsFile, QLocale::system());
}

QString chooseLanguageFile(const QString &programFolder, const QString &settingsFile, const QLocale &locale)
{
    const QString english = programFolder + u'/' + kLanguageFileName;
    QStringList languages;
    const IniFile settings = IniFile::load(settingsFile);
    if (!settings.value(kSettingsSection, SettingKey::Language).isEmpty())
        languages.append(settings.value(kSettingsSection, SettingKey::LanguageAbbreviation).toLower());
    else
        languages << locale.name().toLower() << locale.name().section(u'_', 0, 0).toLower();
    // The language becomes part of a file name: only a plain language tag may.
    for (const QString &language : std::as_const(languages)) {
        const QString translation = english.chopped(4) + u'_' + language + QStringLiteral(".ini");
        if (isPlainLanguageTag(language) && QFileInfo(translation).isFile())
            return translation;
    }
    return english;
}

// Checked by hand rather than by a regular expression, whose compiler every start would load.
bool isPlainLanguageTag(const QString &text)
{
    return !text.isEmpty() && text.size() <= 16 && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
    });
}

} // namespace Program
