// Times the copy run against a plain loop of copy, fsync and read-back over the same
// files, both writing to a drive A folder on tmpfs, and prints the ratio of their medians.

#include "copyrun.h"
#include "folderdrive.h"
#include "messageboxes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int fileCount = 1000;
constexpr int rounds = 15;

class SilentMessages : public MessageBoxes {
public:
    void MsgBox(const QString &prompt, int, const QString &) override { last = prompt; }
    QString last;
};

QStringList makeStyles(const QString &folder)
{
    QStringList paths;
    QRandomGenerator random(1);
    for (int i = 0; i < fileCount; ++i) {
        const QString path = QStringLiteral("%1/%2Style%3.sty").arg(folder).arg(i % 100, 2, 10, QLatin1Char('0')).arg(i);
        QByteArray content(int(random.bounded(4 * 1024, 64 * 1024 + 1)), 'x');
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        paths.append(path);
    }
    return paths;
}

qint64 timeCopyRun(const QStringList &styles, const QString &driveFolder)
{
    std::array<MemoryGroupList, GroupCount> lists;
    std::array<GroupList *, GroupCount> pointers{};
    for (int i = 0; i < GroupCount; ++i)
        pointers[i] = &lists[i];
    for (int i = 0; i < styles.size(); ++i)
        lists[i % GroupCount].AddItem(styles[i]);
    FolderDriveA drive(driveFolder);
    SilentMessages messages;
    const GroupBoard board(pointers);
    CopyRun run(board, drive, messages);

    QElapsedTimer timer;
    timer.start();
    run.CmdStartCopy_Click();
    const qint64 elapsed = timer.nsecsElapsed();
    if (messages.last != QLatin1String("       READY !"))
        qFatal("copy run failed: %s", qPrintable(messages.last));
    return elapsed;
}

// The baseline: each file read and written in 64 KB blocks, then fsync, then both read
// again and compared.
void plainCopy(const QByteArray &source, const QByteArray &target)
{
    static char buffer[64 * 1024], again[64 * 1024];
    const int in = ::open(source.constData(), O_RDONLY);
    const int out = ::open(target.constData(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0)
        qFatal("cannot open %s or %s", source.constData(), target.constData());
    for (ssize_t got; (got = ::read(in, buffer, sizeof buffer)) > 0;) {
        if (::write(out, buffer, size_t(got)) != got)
            qFatal("cannot write %s", target.constData());
    }
    ::fsync(out);
    ::lseek(in, 0, SEEK_SET);
    ::lseek(out, 0, SEEK_SET);
    for (ssize_t got; (got = ::read(in, buffer, sizeof buffer)) > 0;) {
        if (::read(out, again, size_t(got)) != got || std::memcmp(buffer, again, size_t(got)) != 0)
            qFatal("%s reads back different", target.constData());
    }
    ::close(out);
    ::close(in);
}

qint64 timePlainLoop(const QStringList &styles, const QString &driveFolder)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < styles.size(); ++i)
        plainCopy(QFile::encodeName(styles[i]), QFile::encodeName(QStringLiteral("%1/%2").arg(driveFolder).arg(i)));
    return timer.nsecsElapsed();
}

qint64 median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void emptyFolder(const QString &folder)
{
    QDir dir(folder);
    dir.removeRecursively();
    QDir().mkpath(folder);
}

} // namespace

int main()
{
    QTemporaryDir work(QStringLiteral("/dev/shm/dupliva-bench-XXXXXX"));
    if (!work.isValid())
        qFatal("no temporary folder on /dev/shm");
    const QString sources = work.filePath(QStringLiteral("styles"));
    const QString driveA = work.filePath(QStringLiteral("a"));
    QDir().mkpath(sources);
    const QStringList styles = makeStyles(sources);

    std::vector<qint64> runTimes, loopTimes;
    for (int round = 0; round < rounds; ++round) {
        emptyFolder(driveA);
        loopTimes.push_back(timePlainLoop(styles, driveA));
        emptyFolder(driveA);
        runTimes.push_back(timeCopyRun(styles, driveA));
    }
    const double runMs = median(runTimes) / 1e6;
    const double loopMs = median(loopTimes) / 1e6;
    std::printf("copy run of %d files: %.1f ms; plain copy, fsync and read-back loop: %.1f ms; ratio %.3f (target at most 1.10)\n",
                fileCount, runMs, loopMs, runMs / loopMs);
    return 0;
}
