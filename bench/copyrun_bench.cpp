// Times the copy run against a plain loop that does the same work over the same files,
// both writing to a drive A folder on tmpfs, and prints the ratio of their medians.

#include "cataloguedrun.h"
#include "filedescriptor.h"
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

// The baseline, per group of files: each read and written in 64 KB blocks under a
// temporary name, one flush, each read back and compared, each renamed to its name, and
// a second flush.
void writeTemporary(const QByteArray &source, const QByteArray &temporary)
{
    static char buffer[64 * 1024];
    const FileDescriptor in(::open(source.constData(), O_RDONLY));
    const FileDescriptor out(::open(temporary.constData(), O_RDWR | O_CREAT | O_EXCL, 0644));
    if (!in || !out)
        qFatal("cannot open %s or %s", source.constData(), temporary.constData());
    for (ssize_t got; (got = ::read(in.get(), buffer, sizeof buffer)) > 0;) {
        if (::write(out.get(), buffer, size_t(got)) != got)
            qFatal("cannot write %s", temporary.constData());
    }
}

void compare(const QByteArray &source, const QByteArray &copy)
{
    static char buffer[64 * 1024], again[64 * 1024];
    const FileDescriptor in(::open(source.constData(), O_RDONLY));
    const FileDescriptor out(::open(copy.constData(), O_RDONLY));
    for (ssize_t got; (got = ::read(in.get(), buffer, sizeof buffer)) > 0;) {
        if (::read(out.get(), again, size_t(got)) != got || std::memcmp(buffer, again, size_t(got)) != 0)
            qFatal("%s reads back different", copy.constData());
    }
}

qint64 timePlainLoop(const QStringList &styles, const QString &driveFolder)
{
    QElapsedTimer timer;
    timer.start();
    const FileDescriptor folder(::open(QFile::encodeName(driveFolder).constData(), O_RDONLY | O_DIRECTORY));
    for (int group = 0; group < GroupCount; ++group) {
        QList<QByteArray> sources, temporaries;
        for (int i = group; i < styles.size(); i += GroupCount) {
            sources.append(QFile::encodeName(styles[i]));
            temporaries.append(QFile::encodeName(QStringLiteral("%1/t%2").arg(driveFolder).arg(i)));
            writeTemporary(sources.last(), temporaries.last());
        }
        ::syncfs(folder.get());
        for (int i = 0; i < sources.size(); ++i)
            compare(sources[i], temporaries[i]);
        for (const QByteArray &temporary : std::as_const(temporaries))
            ::rename(temporary.constData(), QByteArray(temporary).replace("/t", "/f").constData());
        ::syncfs(folder.get());
    }
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
        QStringLiteral("plain loop of copy under a temporary name, flush, read-back and rename"));
    compareRounds(
        rounds, [&] { emptyFolder(driveA); },
        [&] {
            FolderDriveA drive(driveA);
            return timeCataloguedRun(styles, drive, work.path());
        },
        [&] {
            FolderDriveA drive(driveA);
            return timeCopyRun(styles, drive);
        },
        QStringLiteral("the same copy run writing the catalogue"), QStringLiteral("without it"), 1.05);
    return 0;
}
