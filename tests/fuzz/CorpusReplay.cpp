// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz harness once on every file of the folders (or files) named on the command line, as
// libFuzzer would with -runs=0: the seeds and the inputs of fixed crashes stay tested in ordinary
// builds.
#include "FuzzCheck.h"
#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using UserReport::reportToUser;

int main(int argc, char **argv)
{
    QStringList inputs;
    for (int i = 1; i < argc; ++i) {
        const QFileInfo path(QFile::decodeName(argv[i]));
        if (!path.isDir())
            inputs.append(path.filePath());
        for (const QFileInfo &file : QDir(path.filePath()).entryInfoList(QDir::Files, QDir::Name))
            inputs.append(file.filePath());
    }
    if (inputs.isEmpty()) {
        reportToUser(QStringLiteral("no inputs to replay"));
        return 1;
    }
    bool ok = true;
    for (const QString &input : std::as_const(inputs)) {
        const Result<QByteArray> bytes = RegularFile::read(input);
        if (bytes)
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes->constData()), size_t(bytes->size()));
        else
            reportToUser(bytes.failure().message);
        ok = ok && bytes.ok();
    }
    return ok ? 0 : 1;
}
