// Times a copy run of 150 styles in ten groups to a fresh 2.88 MB floppy image through the
// image drive against a plain loop that does per group one mcopy writing all its styles,
// an fsync of the image and one mcopy reading them all back to compare, and prints the
// ratio of their medians. The image lies on tmpfs, so that the figure is about the
// drive's own cost. Given a folder on a block device (a USB stick's file system), the image
// lies there instead, and the benchmark also prints how much each writes to that device.

#include "cataloguedrun.h"
#include "filedescriptor.h"
#include "imagedrive.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <QDir>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr int fileCount = 150;
constexpr int rounds = 9;
constexpr int groupCount = 10;

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

// The name on the disk that the copy run gives the i-th style, in group i % 10 + 1.
QString diskName(const QStringList &styles, int i)
{
    return QStringLiteral("%1%2").arg(i % groupCount + 1, 2, 10, QLatin1Char('0')).arg(styles[i].section('/', -1).mid(2)).toUpper();
}

qint64 timePlainLoop(const QStringList &styles, const QString &image)
{
    QElapsedTimer timer;
    timer.start();
    for (int group = 0; group < groupCount; ++group) {
        QTemporaryDir links, readBack;
        QStringList write{"-i", image, "-D", "oO"}, read{"-n", "-i", image};
        for (int i = group; i < styles.size(); i += groupCount) {
            QFile::link(styles[i], links.filePath(diskName(styles, i)));
            write << links.filePath(diskName(styles, i));
            read << "::" + diskName(styles, i);
        }
        run(QStringLiteral("mcopy"), write << "::");
        ::fsync(FileDescriptor(::open(QFile::encodeName(image).constData(), O_RDONLY)).get());
        run(QStringLiteral("mcopy"), read << readBack.path());
        for (int i = group; i < styles.size(); i += groupCount) {
            QFile source(styles[i]), copy(readBack.filePath(diskName(styles, i)));
            if (!source.open(QIODevice::ReadOnly) || !copy.open(QIODevice::ReadOnly) || source.readAll() != copy.readAll())
                qFatal("%s reads back different", qPrintable(styles[i]));
        }
    }
    return timer.nsecsElapsed();
}

// The sectors written so far to the block device that holds folder; -1 when it has none.
qint64 sectorsWritten(const QString &folder)
{
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) < 0)
        return -1;
    QFile stat(QStringLiteral("/sys/dev/block/%1:%2/stat").arg(major(info.st_dev)).arg(minor(info.st_dev)));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = stat.readAll().simplified().split(' ');
    return fields.size() > 6 ? fields[6].toLongLong() : -1;
}

qint64 kilobytesWritten(const QString &folder, const std::function<void()> &work)
{
    ::sync();
    const qint64 before = sectorsWritten(folder);
    work();
    ::sync();
    return (sectorsWritten(folder) - before) / 2;
}

void compareWrites(const QString &folder, const QString &image, const QStringList &styles)
{
    if (sectorsWritten(folder) < 0)
        return;
    freshImage(image);
    const qint64 run = kilobytesWritten(folder, [&] {
        ImageDriveA drive(image);
        timeCopyRun(styles, drive, groupCount);
    });
    freshImage(image);
    const qint64 loop = kilobytesWritten(folder, [&] { timePlainLoop(styles, image); });
    std::printf("written to the image's device: copy run %lld KB; mcopy and fsync per group %lld KB; ratio %.2f (target at most 2.50)\n",
                run, loop, double(run) / double(loop));
}

} // namespace

int main(int argc, char *argv[])
{
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/dev/shm");
    QTemporaryDir work(folder + QStringLiteral("/dupliva-bench-XXXXXX"));
    if (!work.isValid())
        qFatal("no temporary folder in %s", qPrintable(folder));
    const QString image = work.filePath(QStringLiteral("DSKA0000.IMG"));
    const QStringList styles = makeStyles(work.path(), fileCount, 12 * 1024);

    compareRounds(
        rounds, [&] { freshImage(image); },
        [&] {
            ImageDriveA drive(image);
            return timeCopyRun(styles, drive, groupCount);
        },
        [&] { return timePlainLoop(styles, image); },
        QStringLiteral("copy run of %1 styles in %2 groups to a 2.88 MB image").arg(fileCount).arg(groupCount),
        QStringLiteral("plain loop of one mcopy each way and an fsync per group"), 1.5);
    compareRounds(
        rounds, [&] { freshImage(image); },
        [&] {
            ImageDriveA drive(image);
            return timeCataloguedRun(styles, drive, work.path(), groupCount);
        },
        [&] {
            ImageDriveA drive(image);
            return timeCopyRun(styles, drive, groupCount);
        },
        QStringLiteral("the same copy run writing the catalogue"), QStringLiteral("without it"), 1.05);
    compareWrites(folder, image, styles);
    return 0;
}
