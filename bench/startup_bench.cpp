// Starts Dupliva and a minimal Qt Widgets window in turn, each until its first window is on
// the screen, and prints the ratios of their median start-up times and median peak memory.
// Run it on a display, for example under xvfb-run.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QDeadlineTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <poll.h>
#include <xcb/xcb.h>

namespace {

constexpr int rounds = 21;

struct Start {
    double milliseconds;
    long peakKiB;
};

// Peak memory of a running process so far, in KiB.
long peakKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// The X server tells when a program maps its first window; the programs know nothing of
// the benchmark.
class WindowWatch {
public:
    WindowWatch()
        : x(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(x))
            qFatal("no X display: run the benchmark under xvfb-run");
        const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(x, xcb_setup_roots_iterator(xcb_get_setup(x)).data->root, XCB_CW_EVENT_MASK,
                                     &events);
        xcb_flush(x);
    }
    ~WindowWatch() { xcb_disconnect(x); }

    // Forgets what happened before.
    void drain()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(x))
            std::free(event);
    }

    bool waitForMap(int milliseconds)
    {
        QDeadlineTimer limit(milliseconds);
        pollfd display{xcb_get_file_descriptor(x), POLLIN, 0};
        while (!limit.hasExpired()) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(x)) {
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
                std::free(event);
                if (mapped)
                    return true;
            }
            ::poll(&display, 1, int(std::max<qint64>(limit.remainingTime(), 0)));
        }
        return false;
    }

private:
    xcb_connection_t *x;
};

// The one watch stays connected all along, so that the display never loses its last
// client, which would reset it between two starts.
Start startUntilShown(WindowWatch &watch, const QString &program)
{
    watch.drain();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);

    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    if (!watch.waitForMap(30000))
        qFatal("%s did not show its window", qPrintable(program));
    const double milliseconds = timer.nsecsElapsed() / 1e6;
    const long peak = peakKiB(process.processId());
    process.kill();
    process.waitForFinished();
    return {milliseconds, peak};
}

template <typename T>
T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString programs[2] = {QStringLiteral(DUPLIVA_PROGRAM), QStringLiteral(MINIMAL_WINDOW_PROGRAM)};

    // A first start of each fills the file cache.
    WindowWatch watch;
    for (const QString &program : programs)
        startUntilShown(watch, program);

    std::vector<double> times[2];
    std::vector<long> peaks[2];
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (round + turn) % 2; // alternate which of the two starts first
            const Start start = startUntilShown(watch, programs[which]);
            times[which].push_back(start.milliseconds);
            peaks[which].push_back(start.peakKiB);
        }
    }

    const double time[2] = {median(times[0]), median(times[1])};
    const long peak[2] = {median(peaks[0]), median(peaks[1])};
    std::printf("start-up to the main window shown, median of %d: dupliva %.1f ms, minimal window %.1f ms\n", rounds,
                time[0], time[1]);
    std::printf("peak memory at that point: dupliva %ld KiB, minimal window %ld KiB\n", peak[0], peak[1]);
    std::printf("start-up time ratio: %.2f (target: at most 1.20)\n", time[0] / time[1]);
    std::printf("peak memory ratio: %.2f (target: at most 1.20)\n", double(peak[0]) / double(peak[1]));
    return 0;
}
