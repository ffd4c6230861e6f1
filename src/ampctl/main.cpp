// SPDX-License-Identifier: GPL-3.0-or-later
#include "AmpctlCommands.h"
#include "AmporaVersion.h"
#include "ApplierFactory.h"
#include "PlatformServices.h"
#include "SharedStrings.h"
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>
#include <optional>

using ApplierFactory::createApplyBackends;
using Program::currentExecutableFile;
using Program::resolveSharedPaths;
using Program::sharedStrings;

namespace {

// Tasks start the ampora program, never ampctl: the one beside ampctl, else the one on PATH.
QString taskProgram(const QString &ampctl)
{
    const QFileInfo beside(QFileInfo(ampctl).absolutePath() + QStringLiteral("/ampora"));
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("ampora"));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().mid(1) == QStringList(QStringLiteral("--version"))) {
        QTextStream(stdout) << "ampctl " << kAmporaVersion << '\n';
        return static_cast<int>(ExitCode::Success);
    }
    SharedStrings &strings = sharedStrings();
    resolveSharedPaths(strings, currentExecutableFile());

    const PlatformServices backends(strings);
    std::optional<ApplyBackends> appliers;
    const auto applyBackends = [&appliers]() -> ApplyBackends & {
        if (!appliers)
            appliers = createApplyBackends();
        return *appliers;
    };
    QTextStream out(stdout);
    QTextStream err(stderr);
    AmpctlCommands commands({ backends.services(), taskProgram(strings.executableFile),
                                [] {
                                    // Without a window there is nobody to tell: one reads the file
                                    // when it starts.
                                    (void)postNetworkSchedulesChanged();
                                },
                                applyBackends },
        out, err);
    return static_cast<int>(commands.run(app.arguments().mid(1)));
}
