// Times a copy run of 150 styles in ten groups to a fresh 2.88 MB floppy image through the
// image drive against a plain loop that does per group one mcopy writing all its styles,
// an fsync of the image and one mcopy reading them all back to compare, and prints the
// ratio of their medians. The image lies on tmpfs, so that the figure is about the
// drive's own cost.

#include "benchcommon.h"
#include "imagedrive.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <QDir>
#include <fcntl.h>
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
        const int fd = ::open(QFile::encodeName(image).constData(), O_RDONLY);
        ::fsync(fd);
        ::close(fd);
        run(QStringLiteral("mcopy"), read << readBack.path());
        for (int i = group; i < styles.size(); i += groupCount) {
            QFile source(styles[i]), copy(readBack.filePath(diskName(styles, i)));
            if (!source.open(QIODevice::ReadOnly) || !copy.open(QIODevice::ReadOnly) || source.readAll() != copy.readAll())
                qFatal("%s reads back different", qPrintable(styles[i]));
        }
    }
    return timer.nsecsElapsed();
}

} // namespace

int main()
{
    QTemporaryDir work(QStringLiteral("/dev/shm/dupliva-bench-XXXXXX"));
    if (!work.isValid())
        qFatal("no temporary folder on /dev/shm");
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
    return 0;
}
