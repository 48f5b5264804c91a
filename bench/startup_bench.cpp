// Starts Dupliva and a minimal Qt Widgets window in turn, each until its first window is on
// the screen, and prints the ratios of their median start-up times and median peak memory.
// Run it on a display, for example under xvfb-run.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int rounds = 21;

struct Start {
    double milliseconds;
    long peakKiB;
};

Start startUntilShown(const QString &program)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DUPLIVA_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    if (!process.waitForFinished(30000))
        qFatal("%s did not show its window: %s", qPrintable(program), qPrintable(process.errorString()));
    const double milliseconds = timer.nsecsElapsed() / 1e6;

    const QByteArray output = process.readAllStandardOutput().trimmed();
    if (process.exitCode() != 0 || !output.startsWith("shown "))
        qFatal("%s ended without showing its window (exit status %d)", qPrintable(program), process.exitCode());
    return {milliseconds, output.mid(6).toLong()};
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
    for (const QString &program : programs)
        startUntilShown(program);

    std::vector<double> times[2];
    std::vector<long> peaks[2];
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (round + turn) % 2; // alternate which of the two starts first
            const Start start = startUntilShown(programs[which]);
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
