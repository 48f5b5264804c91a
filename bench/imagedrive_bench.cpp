// Times a copy run to a fresh 2.88 MB floppy image through the image drive against a
// plain loop of the same mtools calls (mcopy for each file, then per group an fsync of the
// image and mtype to read each file back and compare it), and prints the ratio of their
// medians. The image lies on tmpfs, so that the figure is about the drive's own cost.

#include "benchcommon.h"
#include "imagedrive.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int fileCount = 150;
constexpr int rounds = 9;

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
            return timeCopyRun(styles, drive);
        },
        [&] { return timePlainLoop(styles, image); },
        QStringLiteral("copy run of %1 styles to a 2.88 MB image").arg(fileCount),
        QStringLiteral("plain loop of mcopy, fsync and mtype"));
    return 0;
}
