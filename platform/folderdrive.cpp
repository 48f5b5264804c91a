#include "folderdrive.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }

    explicit operator bool() const { return fd >= 0; }
    int get() const { return fd; }
    int release() { return std::exchange(fd, -1); }

private:
    int fd;
};

CopyOutcome failure(int error)
{
    const QString reason = qt_error_string(error);
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return {DiskFull, reason};
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
        return {DriveNotReady, reason};
    default:
        return {OtherFailure, reason};
    }
}

CopyOutcome otherFailure(int error)
{
    const CopyOutcome outcome = failure(error);
    return outcome.code == DiskFull ? outcome : CopyOutcome{OtherFailure, outcome.reason};
}

// The file name that "a:NAME" stands for, or an empty name if it names no file in the root.
QByteArray fileNameOnDisk(const QString &destination)
{
    if (!destination.startsWith(QLatin1String("a:"), Qt::CaseInsensitive))
        return {};
    const QString name = destination.mid(2);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')))
        return {};
    return QFile::encodeName(name);
}

ssize_t copyBlock(int source, int target)
{
    char buffer[64 * 1024];
    const ssize_t got = ::read(source, buffer, sizeof buffer);
    for (ssize_t written = 0; got > 0 && written < got;) {
        const ssize_t put = ::write(target, buffer + written, size_t(got - written));
        if (put < 0)
            return put;
        written += put;
    }
    return got;
}

// Copies from the current offset of source to the end, through the kernel where it can.
int copyContents(int source, int target)
{
    constexpr size_t chunk = 1 << 20;
    bool useCopyRange = true;
    bool useSendfile = true;
    for (;;) {
        ssize_t copied;
        if (useCopyRange) {
            copied = ::copy_file_range(source, nullptr, target, nullptr, chunk, 0);
            if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                useCopyRange = false;
                continue;
            }
        } else if (useSendfile) {
            copied = ::sendfile(target, source, nullptr, chunk);
            if (copied < 0 && (errno == EINVAL || errno == ENOSYS)) {
                useSendfile = false;
                continue;
            }
        } else {
            copied = copyBlock(source, target);
        }
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied <= 0)
            return copied < 0 ? errno : 0;
    }
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int openFolder(const QString &folderPath)
{
    if (folderPath.isEmpty()) {
        errno = ENODEV;
        return -1;
    }
    return ::open(QFile::encodeName(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Writes the open source file to target, which is replaced, and puts it on the medium.
int writeTarget(int source, int target)
{
    if (::ftruncate(target, 0) < 0)
        return errno;
    if (const int error = copyContents(source, target))
        return error;
    return ::fsync(target) < 0 ? errno : 0;
}

} // namespace

FolderDriveA::FolderDriveA(const QString &folder)
    : folderPath(folder)
{
}

CopyOutcome FolderDriveA::FileCopy(const QString &sourcePath, const QString &destination)
{
    const QByteArray name = fileNameOnDisk(destination);
    if (name.isEmpty())
        return {OtherFailure, QStringLiteral("\"%1\" names no file on drive A").arg(destination)};

    // Non-blocking, so that a named pipe among the items cannot hang the run.
    const FileDescriptor source(::open(QFile::encodeName(sourcePath).constData(),
                                       O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat sourceInfo {};
    if (!source || ::fstat(source.get(), &sourceInfo) < 0)
        return otherFailure(errno);
    if (S_ISDIR(sourceInfo.st_mode))
        return otherFailure(EISDIR);
    if (!S_ISREG(sourceInfo.st_mode))
        return {OtherFailure, QStringLiteral("It is not a regular file")};

    const FileDescriptor folder(openFolder(folderPath));
    if (!folder)
        return failure(errno);

    // Never through a link found on the disk, and never truncating before we know
    // that the target is not the source itself.
    FileDescriptor target(::openat(folder.get(), name.constData(),
                                   O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644));
    if (!target) {
        if (errno == ELOOP)
            return {OtherFailure, QStringLiteral("%1 on drive A is a symbolic link").arg(QFile::decodeName(name))};
        return otherFailure(errno);
    }
    struct stat targetInfo {};
    if (::fstat(target.get(), &targetInfo) < 0)
        return otherFailure(errno);
    if (!S_ISREG(targetInfo.st_mode))
        return {OtherFailure, QStringLiteral("%1 on drive A is not a regular file").arg(QFile::decodeName(name))};
    if (sameFile(sourceInfo, targetInfo))
        return {};

    int error = writeTarget(source.get(), target.get());
    if (::close(target.release()) < 0 && !error)
        error = errno;
    if (error) {
        // No truncated style may stay on the disk.
        ::unlinkat(folder.get(), name.constData(), 0);
        return otherFailure(error);
    }
    return {};
}

CopyOutcome FolderDriveA::Flush()
{
    const FileDescriptor folder(openFolder(folderPath));
    if (!folder)
        return failure(errno);
    if (::fsync(folder.get()) < 0 && errno != EINVAL)
        return otherFailure(errno);
    return {};
}
