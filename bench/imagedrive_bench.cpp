// Times a copy run to a fresh 2.88 MB floppy image through the image drive against a
// plain loop of the same mtools calls (mcopy for each file, then per group an fsync of the
// image and mtype to read each file back and compare it), and prints the ratio of their
// medians. The image lies on tmpfs, so that the figure is about the drive's own cost.

#include "copyrun.h"
#include "imagedrive.h"
#include "messageboxes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int fileCount = 150;
constexpr int rounds = 9;

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
        const QString path = QStringLiteral("%1/%2St%3.sty").arg(folder).arg(i % 100, 2, 10, QLatin1Char('0')).arg(i);
        QByteArray content(int(random.bounded(4 * 1024, 12 * 1024 + 1)), Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(content.data()), content.size() / 4);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        paths.append(path);
    }
    return paths;
}

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished() || process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    return process.readAllStandardOutput();
}

void freshImage(const QString &image)
{
    QFile::remove(image);
    run(QStringLiteral("mformat"), {"-C", "-i", image, "-f", "2880", "::"});
}

// The name on the disk that the copy run gives the i-th style, in group i % 20 + 1.
QString diskName(const QStringList &styles, int i)
{
    return QStringLiteral("%1%2").arg(i % GroupCount + 1, 2, 10, QLatin1Char('0')).arg(styles[i].section('/', -1).mid(2)).toUpper();
}

qint64 timeCopyRun(const QStringList &styles, const QString &image)
{
    std::array<MemoryGroupList, GroupCount> lists;
    std::array<GroupList *, GroupCount> pointers{};
    for (int i = 0; i < GroupCount; ++i)
        pointers[i] = &lists[i];
    for (int i = 0; i < styles.size(); ++i)
        lists[i % GroupCount].AddItem(styles[i]);
    ImageDriveA drive(image);
    SilentMessages messages;
    const GroupBoard board(pointers);
    CopyRun copyRun(board, drive, messages);

    QElapsedTimer timer;
    timer.start();
    copyRun.CmdStartCopy_Click();
    const qint64 elapsed = timer.nsecsElapsed();
    if (messages.last != QLatin1String("       READY !"))
        qFatal("copy run failed: %s", qPrintable(messages.last));
    return elapsed;
}

qint64 timePlainLoop(const QStringList &styles, const QString &image)
{
    QElapsedTimer timer;
    timer.start();
    for (int group = 0; group < GroupCount; ++group) {
        for (int i = group; i < styles.size(); i += GroupCount)
            run(QStringLiteral("mcopy"), {"-i", image, "-D", "oO", styles[i], "::" + diskName(styles, i)});
        const int fd = ::open(QFile::encodeName(image).constData(), O_RDONLY);
        ::fsync(fd);
        ::close(fd);
        for (int i = group; i < styles.size(); i += GroupCount) {
            QFile source(styles[i]);
            if (!source.open(QIODevice::ReadOnly) || source.readAll() != run(QStringLiteral("mtype"), {"-i", image, "::" + diskName(styles, i)}))
                qFatal("%s reads back different", qPrintable(styles[i]));
        }
    }
    return timer.nsecsElapsed();
}

qint64 median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    QTemporaryDir work(QStringLiteral("/dev/shm/dupliva-bench-XXXXXX"));
    if (!work.isValid())
        qFatal("no temporary folder on /dev/shm");
    const QString sources = work.filePath(QStringLiteral("styles"));
    const QString image = work.filePath(QStringLiteral("DSKA0000.IMG"));
    QDir().mkpath(sources);
    const QStringList styles = makeStyles(sources);

    std::vector<qint64> runTimes, loopTimes;
    for (int round = 0; round < rounds; ++round) {
        freshImage(image);
        loopTimes.push_back(timePlainLoop(styles, image));
        freshImage(image);
        runTimes.push_back(timeCopyRun(styles, image));
    }
    const double runMs = median(runTimes) / 1e6;
    const double loopMs = median(loopTimes) / 1e6;
    std::printf("copy run of %d styles to a 2.88 MB image: %.1f ms; plain loop of mcopy, fsync and mtype: %.1f ms; "
                "ratio %.3f (target at most 1.10)\n",
                fileCount, runMs, loopMs, runMs / loopMs);
    return 0;
}
