// SPDX-License-Identifier: GPL-3.0-or-later
// Measures what a running copy holds in memory once it is idle, on a private Xvfb display with a
// tray host (trayer): `ampora -hideme` (the log-in start, only an icon in the tray) against
// bare_gui_app showing only a tray icon, and a plain `ampora` start (the window) against
// bare_gui_app showing an empty window of the same size; for reference also against that window
// drawing a line of text, which loads the text machinery any window with words needs. Each pair
// runs twice: in a session with a session bus and a notification service (dunst), as on a
// desktop, where the tray start's balloon is a desktop notification; and in a bare X session with
// neither, where the program draws the balloon itself. A process is idle when its resident set
// has not changed for a second. Prints the medians of the resident sets (VmRSS) and the
// differences; the program starts with its plans already created.
#include "BenchProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

using BenchProcess::median;
using BenchProcess::residentKb;

namespace {

constexpr int kRuns = 5; // of each program, after one warm-up
constexpr int kSampleMs = 100;
constexpr int kStableSamples = 10;
constexpr int kTimeoutMs = 20000;

// The idle resident set of the program in kilobytes, or -1 when it ended or never settled.
qint64 idleResidentKb(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return -1;
    QElapsedTimer timer;
    timer.start();
    qint64 last = -1;
    int stable = 0;
    while (stable < kStableSamples && timer.elapsed() < kTimeoutMs) {
        QThread::msleep(kSampleMs);
        const qint64 now = residentKb(process.processId());
        if (now < 0 || process.state() != QProcess::Running) {
            last = -1;
            break;
        }
        stable = now == last ? stable + 1 : 0;
        last = now;
    }
    if (stable < kStableSamples)
        last = -1;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return last;
}

struct Pair
{
    const char *name;
    QStringList programArguments;
    const char *bareName;
    QString bareArgument;
};

// Runs the program and its bare counterpart in turn and prints the medians; false when one of them
// did not stay idle and running.
bool measurePair(const Pair &pair, const QString &program, const QString &bare, const QProcessEnvironment &environment)
{
    QList<double> ours, bares;
    for (int i = 0; i <= kRuns; ++i) {
        const qint64 amp = idleResidentKb(program, pair.programArguments, environment);
        const qint64 plain = idleResidentKb(bare, { pair.bareArgument }, environment);
        if (amp < 0 || plain < 0) {
            std::fprintf(
                stderr, "bench_memory: %s did not stay idle and running\n", amp < 0 ? pair.name : pair.bareName);
            return false;
        }
        if (i > 0) {
            ours.append(double(amp));
            bares.append(double(plain));
        }
    }
    const double ourMb = median(ours) / 1024;
    const double bareMb = median(bares) / 1024;
    std::printf("  %-22s idle RSS: median %6.1f MB; %-20s %6.1f MB; %+.1f MB\n", pair.name, ourMb, pair.bareName,
        bareMb, ourMb - bareMb);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString benchFolder = QCoreApplication::applicationDirPath();
    const PortableCopy copy(benchFolder + QStringLiteral("/.."));
    const PrivateDisplay display(1280, 1024, true);
    if (!copy.isValid() || !display.isValid())
        return 1;
    QProcessEnvironment environment = copy.environment();
    environment.insert(QStringLiteral("DISPLAY"), display.display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QString bare = benchFolder + QStringLiteral("/bare_gui_app");

    const PrivateSessionBus bus(display.display());
    if (!bus.isValid())
        return 1;
    QProcessEnvironment desktop = environment;
    desktop.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());

    const Pair pairs[] = {
        { "ampora -hideme (tray)", { QStringLiteral("-hideme") }, "bare tray icon", QStringLiteral("tray") },
        { "ampora (window)", {}, "bare 1018x550 window", QStringLiteral("window") },
        // For reference: the same bare window drawing one line of text, which loads the text machinery.
        { "ampora (window)", {}, "bare window + text", QStringLiteral("text") },
    };
    const std::pair<const char *, QProcessEnvironment> sessions[] = {
        { "desktop session (session bus, notification service)", desktop },
        { "bare X session (no session bus)", environment },
    };
    for (const auto &[sessionName, sessionEnvironment] : sessions) {
        std::printf("%s:\n", sessionName);
        for (const Pair &pair : pairs) {
            if (!measurePair(pair, copy.program(), bare, sessionEnvironment))
                return 1;
        }
    }
    return 0;
}
