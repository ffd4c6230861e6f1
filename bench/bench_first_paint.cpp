// SPDX-License-Identifier: GPL-3.0-or-later
// Times how long a plain `ampora` start takes to put its window on the screen: from starting the
// process to the first drawing on a private Xvfb display, as the X server's DAMAGE extension
// reports it on the root window (which covers every window on it). In the same run, alternating
// with it so that both see the same machine load, it times bare_gui_app, a Qt Widgets program
// that shows an empty window of the same size. Also prints when each window settled (no drawing
// for a quarter of a second), so that a first paint that only shows part of the window would be
// seen. Prints medians and their ratio; the program starts with its plans already created, as on
// every start after the first.
#include "BenchProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <poll.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

using BenchProcess::median;

namespace {

constexpr int kRuns = 21; // of each program, after one warm-up
constexpr int kQuietMs = 250; // no drawing for this long: the window has settled
constexpr int kTimeoutMs = 10000;

struct Paint
{
    double first = -1; // milliseconds from start to the first damage
    double settled = -1; // ... to the last damage before kQuietMs of quiet
};

class DamageWatch
{
public:
    explicit DamageWatch(const QString &display)
        : m_connection(xcb_connect(qPrintable(display), nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_query_extension_reply_t *extension = xcb_get_extension_data(m_connection, &xcb_damage_id);
        if (!extension || !extension->present)
            return;
        m_firstEvent = extension->first_event;
        free(xcb_damage_query_version_reply(m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr));
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_damage = xcb_generate_id(m_connection);
        xcb_damage_create(m_connection, m_damage, root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        xcb_flush(m_connection);
        m_valid = true;
    }
    ~DamageWatch() { xcb_disconnect(m_connection); }

    bool isValid() const { return m_valid; }

    // Forgets every drawing reported so far: a window that has just gone leaves some, which the
    // server may report a little after its program ended. Returns once the display is quiet.
    void drain()
    {
        pollfd descriptor { xcb_get_file_descriptor(m_connection), POLLIN, 0 };
        bool quiet = false;
        while (!quiet && !xcb_connection_has_error(m_connection)) {
            quiet = true;
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                quiet = false;
                free(event);
            }
            if (quiet)
                quiet = ::poll(&descriptor, 1, 100) == 0;
        }
    }

    // Waits for drawing after timer started; gives up after kTimeoutMs.
    Paint watch(const QElapsedTimer &timer)
    {
        Paint paint;
        pollfd descriptor { xcb_get_file_descriptor(m_connection), POLLIN, 0 };
        while (timer.elapsed() < kTimeoutMs) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                if ((event->response_type & 0x7f) == m_firstEvent + XCB_DAMAGE_NOTIFY) {
                    paint.settled = double(timer.nsecsElapsed()) / 1e6;
                    if (paint.first < 0)
                        paint.first = paint.settled;
                }
                free(event);
            }
            if (xcb_connection_has_error(m_connection))
                break;
            const int wait = paint.first < 0 ? 50 : kQuietMs - int(double(timer.nsecsElapsed()) / 1e6 - paint.settled);
            if (paint.first >= 0 && wait <= 0)
                break;
            ::poll(&descriptor, 1, std::max(wait, 1));
        }
        return paint;
    }

private:
    xcb_connection_t *m_connection;
    xcb_damage_damage_t m_damage = 0;
    uint8_t m_firstEvent = 0;
    bool m_valid = false;
};

Paint timeFirstPaint(
    DamageWatch &watch, const QString &program, const QStringList &arguments, const QProcessEnvironment &environment)
{
    watch.drain();
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    const Paint paint = watch.watch(timer);
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return paint;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString benchFolder = QCoreApplication::applicationDirPath();
    const PortableCopy copy(benchFolder + QStringLiteral("/.."));
    const PrivateDisplay display(1280, 1024, false);
    if (!copy.isValid() || !display.isValid())
        return 1;
    DamageWatch watch(display.display());
    if (!watch.isValid()) {
        std::fprintf(stderr, "bench_first_paint: the display has no DAMAGE extension\n");
        return 1;
    }
    QProcessEnvironment environment = copy.environment();
    environment.insert(QStringLiteral("DISPLAY"), display.display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    const QString bare = benchFolder + QStringLiteral("/bare_gui_app");
    QList<double> ampFirst, ampSettled, bareFirst, bareSettled;
    for (int i = 0; i <= kRuns; ++i) {
        const Paint amp = timeFirstPaint(watch, copy.program(), {}, environment);
        const Paint plain = timeFirstPaint(watch, bare, { QStringLiteral("window") }, environment);
        if (amp.first < 0 || plain.first < 0) {
            std::fprintf(stderr, "bench_first_paint: %s drew nothing within %d ms\n",
                amp.first < 0 ? "ampora" : "bare_gui_app", kTimeoutMs);
            return 1;
        }
        if (i == 0)
            continue; // the warm-up, which also creates the plans
        ampFirst.append(amp.first);
        ampSettled.append(amp.settled);
        bareFirst.append(plain.first);
        bareSettled.append(plain.settled);
    }
    std::printf("ampora window, start to first paint:       median %7.2f ms (settled %7.2f ms) over %d runs\n",
        median(ampFirst), median(ampSettled), kRuns);
    std::printf("bare 1018x550 window, start to first paint: median %7.2f ms (settled %7.2f ms) over %d runs\n",
        median(bareFirst), median(bareSettled), kRuns);
    std::printf("ampora / bare, first paint: %.2f (settled: %.2f)\n", median(ampFirst) / median(bareFirst),
        median(ampSettled) / median(bareSettled));
    return 0;
}
