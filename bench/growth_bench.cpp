// How the cost grows with the number of styles: a drop of 32,767 files onto one group
// through the window's intake, and a copy run of twenty groups of 1,600 styles to a
// drive A folder on tmpfs (/dev/shm). Each is measured at half and at full size, each
// measurement in a process of its own so that its memory peak is its own; the ratio of
// the per-entry figures, full against half, is 1.0 for a linear cost.

#include "benchcommon.h"
#include "dropintake.h"
#include "folderdrive.h"
#include "grouplistbox.h"

#include <QApplication>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <sys/resource.h>

namespace {

constexpr int largestDrop = 32767;
constexpr int entriesPerGroup = 1600;
constexpr int rounds = 3;

struct Cost {
    double nanoseconds = 0;
    double kilobytes = 0;
};

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Memory is counted from before the dropped data is made, so that it holds the paths too.
Cost dropOntoOneGroup(int files)
{
    const long peakBefore = peakKilobytes();
    QList<QUrl> urls;
    for (int i = 0; i < files; ++i)
        urls.append(QUrl::fromLocalFile(QStringLiteral("/home/user/Styles/Collection %1/%2Style%3.sty")
                                            .arg(i / 100)
                                            .arg(i % 100, 2, 10, QLatin1Char('0'))
                                            .arg(i)));
    QMimeData data;
    data.setUrls(urls);
    GroupListBox list(QStringLiteral("Group 01"));
    list.resize(200, 300);
    list.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    appendDroppedFiles(list, data);
    QCoreApplication::processEvents();
    const qint64 elapsed = timer.nsecsElapsed();
    if (list.ListCount() != files)
        qFatal("the drop gave %d entries, not %d", list.ListCount(), files);
    return {double(elapsed), double(peakKilobytes() - peakBefore)};
}

// Memory is counted from before the styles' paths are made.
Cost copyTwentyGroups(int perGroup)
{
    QTemporaryDir work(QStringLiteral("/dev/shm/dupliva-bench-XXXXXX"));
    if (!work.isValid())
        qFatal("no temporary folder on /dev/shm");
    const long peakBefore = peakKilobytes();
    const QStringList styles = makeStyles(work.path(), perGroup * GroupCount, 4 * 1024);
    FolderDriveA drive(work.filePath(QStringLiteral("a")));
    QDir().mkpath(drive.folder());
    const qint64 elapsed = timeCopyRun(styles, drive);
    return {double(elapsed), double(peakKilobytes() - peakBefore)};
}

// One measurement in a child process: this program with the kind and the size.
Cost measureApart(const QString &kind, int size)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {kind, QString::number(size)});
    if (!child.waitForFinished(10 * 60 * 1000) || child.exitCode() != 0)
        qFatal("the %s measurement of %d failed: %s", qPrintable(kind), size, child.readAllStandardError().constData());
    const QList<QByteArray> figures = child.readAllStandardOutput().split(' ');
    return {figures.value(0).toDouble(), figures.value(1).toDouble()};
}

Cost perEntry(const QString &kind, int size, int entries)
{
    std::vector<qint64> times, memory;
    for (int round = 0; round < rounds; ++round) {
        const Cost cost = measureApart(kind, size);
        times.push_back(qint64(cost.nanoseconds));
        memory.push_back(qint64(cost.kilobytes));
    }
    const Cost cost{double(median(times)) / entries, double(median(memory)) * 1024 / entries};
    std::printf("  %6d entries: %8.1f ms, %6.0f KB peak; per entry %6.2f us, %6.0f bytes\n", entries,
                cost.nanoseconds * entries / 1e6, cost.kilobytes * entries / 1024, cost.nanoseconds / 1e3, cost.kilobytes);
    return cost;
}

void compareSizes(const QString &title, const QString &kind, int half, int full, int entriesPerUnit)
{
    std::printf("%s (median of %d runs each)\n", qPrintable(title), rounds);
    const Cost small = perEntry(kind, half, half * entriesPerUnit);
    const Cost large = perEntry(kind, full, full * entriesPerUnit);
    std::printf("  ratio full against half: time %.2f, memory %.2f (goal at most 1.20)\n",
                large.nanoseconds / small.nanoseconds, large.kilobytes / small.kilobytes);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3) {
        const int size = QString::fromLocal8Bit(argv[2]).toInt();
        const Cost cost = QByteArrayView(argv[1]) == "drop" ? dropOntoOneGroup(size) : copyTwentyGroups(size);
        std::printf("%.0f %.0f", cost.nanoseconds, cost.kilobytes);
        return 0;
    }
    compareSizes(QStringLiteral("Drop onto one group"), QStringLiteral("drop"), largestDrop / 2, largestDrop, 1);
    compareSizes(QStringLiteral("Copy run of twenty groups to /dev/shm"), QStringLiteral("copy"), entriesPerGroup / 2,
                 entriesPerGroup, GroupCount);
    return 0;
}
