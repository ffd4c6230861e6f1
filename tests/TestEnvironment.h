// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

// Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR at a fresh temporary folder and
// fills SharedStrings with paths inside it, so a test never touches the real user's files.
class TestEnvironment
{
public:
    TestEnvironment();

    QString path(const QString &relative = {}) const;
    // Writes a file below the temporary folder, or at an absolute path (creating folders); returns
    // its full path.
    QString writeFile(const QString &relative, const QByteArray &bytes) const;
    static QByteArray readFile(const QString &fullPath);
    // A file from tests/<relative> in the source tree (fixtures).
    static QString sourceFile(const QString &relative);

private:
    QTemporaryDir m_dir;
};
