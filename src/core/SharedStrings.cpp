#include "SharedStrings.h"

#include "AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using Program::currentExecutableFile;
using Program::resolveSharedPaths;
using Program::sharedStrings;

namespace Program {

namespace {

const QString kLanguageFileName = QStringLiteral("ampctleng.ini");
const QString kSettingsFileName = QStringLiteral("ampctlset.ini");

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
    strings.languageFile = strings.programFolder + u'/' + kLanguageFileName;
}

} // namespace Program
