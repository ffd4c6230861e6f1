// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestEnvironment.h"

#include "SharedStrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using Program::resolveSharedPaths;
using Program::sharedStrings;

TestEnvironment::TestEnvironment()
{
    const QString root = m_dir.path();
    for (const char *sub : { "home", "config", "data", "runtime", "program" })
        QDir(root).mkpath(QString::fromLatin1(sub));
    qputenv("HOME", QFile::encodeName(root + QStringLiteral("/home")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + QStringLiteral("/runtime")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(root + QStringLiteral("/state")));
    // The machine's own system-wide plans stay out of sight.
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root + QStringLiteral("/xdg")));
    QFile::setPermissions(root + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    SharedStrings &strings = sharedStrings();
    strings = SharedStrings {};
    resolveSharedPaths(strings, root + QStringLiteral("/program/ampora"));
    strings.programFolder = root + QStringLiteral("/program");
    strings.languageFile = strings.programFolder + QStringLiteral("/ampctleng.ini");
    strings.settingsFile = strings.programFolder + QStringLiteral("/ampctlset.ini");
}

QString TestEnvironment::path(const QString &relative) const
{
    return relative.isEmpty() ? m_dir.path() : QDir(m_dir.path()).filePath(relative);
}

QString TestEnvironment::writeFile(const QString &relative, const QByteArray &bytes) const
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return full;
}

QByteArray TestEnvironment::readFile(const QString &fullPath)
{
    QFile file(fullPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString TestEnvironment::sourceFile(const QString &relative)
{
    return qEnvironmentVariable("AMPORA_TEST_SOURCE_DIR") + u'/' + relative;
}
