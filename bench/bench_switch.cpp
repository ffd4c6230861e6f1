// SPDX-License-Identifier: GPL-3.0-or-later
// Times a scheduled plan switch as a task runs it where no desktop answers: a whole
// `ampora -setactiveplan -{GUID}` process with plan-change notifications off, from start to exit,
// with no display, no session bus and no system bus. In the same run, and interleaved with it
// so that both see the same machine load, it times bare_core_app, a process that only constructs a
// QCoreApplication: the floor no QtCore program can beat. Prints both medians of 40 runs and their
// ratio. As in a desktop session, $XDG_RUNTIME_DIR (where the single-copy lock lives) is on a
// tmpfs when the machine has one at /dev/shm; the plans are on the disk, under $XDG_CONFIG_HOME.
#include "BenchProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStorageInfo>
#include <cstdio>

using BenchProcess::median;

namespace {

const QString kBalanced = QStringLiteral("{381B4222-F694-41F0-9685-FF5BB260DF2E}");
const QString kSaver = QStringLiteral("{A1841308-3541-4FAB-BC81-F71556F20B4A}");
constexpr int kRuns = 41; // the first of each is a warm-up (and seeds the store)

// Milliseconds from start to exit, or a negative value when the process did not run to a clean end.
double timeProcess(const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "bench_switch: %s did not end cleanly: %s\n", qPrintable(program),
            qPrintable(process.errorString()));
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString benchFolder = QCoreApplication::applicationDirPath();
    // A portable copy with no desktop to talk to: no session bus, no system bus, no display.
    const PortableCopy copy(benchFolder + QStringLiteral("/.."));
    if (!copy.isValid() || !copy.writeSettings("[Ampora]\nIDS_NOTIFY_PLAN_CHANGES=FALSE\n"))
        return 1;
    QProcessEnvironment env = copy.environment();
    // As in a desktop session, the single-copy lock lives on a tmpfs when the machine has one.
    const bool tmpfsRuntime = QStorageInfo(QStringLiteral("/dev/shm")).fileSystemType() == "tmpfs";
    QTemporaryDir runtime(
        tmpfsRuntime ? QStringLiteral("/dev/shm/ampora-bench-XXXXXX") : copy.path(QStringLiteral("run")));
    if (!runtime.isValid()) {
        std::fprintf(stderr, "bench_switch: cannot create a runtime folder: %s\n", qPrintable(runtime.errorString()));
        return 1;
    }
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

    const QString bare = benchFolder + QStringLiteral("/bare_core_app");
    QList<double> switches;
    QList<double> bares;
    for (int i = 0; i < kRuns; ++i) {
        const double switchMs = timeProcess(
            copy.program(), { QStringLiteral("-setactiveplan"), u'-' + (i % 2 ? kBalanced : kSaver) }, env);
        const double bareMs = timeProcess(bare, {}, env);
        if (switchMs < 0 || bareMs < 0)
            return 1;
        if (i > 0) {
            switches.append(switchMs);
            bares.append(bareMs);
        }
    }
    const double switchMedian = median(switches);
    const double bareMedian = median(bares);
    std::printf("ampora -setactiveplan (notifications off), process start to exit: median %.2f ms over %lld runs\n",
        switchMedian, static_cast<long long>(switches.size()));
    std::printf("bare QCoreApplication process, start to exit:                  median %.2f ms over %lld runs\n",
        bareMedian, static_cast<long long>(bares.size()));
    std::printf(
        "switch / bare: %.2f (runtime folder on %s)\n", switchMedian / bareMedian, tmpfsRuntime ? "tmpfs" : "the disk");
    return 0;
}
