// Times the copy run against a plain loop of copy, fsync and read-back over the same
// files, both writing to a drive A folder on tmpfs, and prints the ratio of their medians.

#include "benchcommon.h"
#include "folderdrive.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int fileCount = 1000;
constexpr int rounds = 15;

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
    const QString driveA = work.filePath(QStringLiteral("a"));
    const QStringList styles = makeStyles(work.path(), fileCount, 64 * 1024);

    compareRounds(
        rounds, [&] { emptyFolder(driveA); },
        [&] {
            FolderDriveA drive(driveA);
            return timeCopyRun(styles, drive);
        },
        [&] { return timePlainLoop(styles, driveA); }, QStringLiteral("copy run of %1 files").arg(fileCount),
        QStringLiteral("plain copy, fsync and read-back loop"));
    return 0;
}
