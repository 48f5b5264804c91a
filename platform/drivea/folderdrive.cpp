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

// A failure once drive A's folder is open: the drive is there, so only a full disk
// keeps its own code.
CopyOutcome copyFailure(int error)
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

ssize_t copyBlock(int source, int target, size_t most)
{
    char buffer[64 * 1024];
    const ssize_t got = ::read(source, buffer, std::min(most, sizeof buffer));
    for (ssize_t written = 0; got > 0 && written < got;) {
        const ssize_t put = ::write(target, buffer + written, size_t(got - written));
        if (put < 0)
            return put;
        written += put;
    }
    return got;
}

// Copies size bytes from the start of source, in the kernel where it can; stops early
// if the file turns out shorter. Returns 0 or the failure's errno.
int copyContents(int source, int target, off_t size)
{
    bool useSendfile = true;
    while (size > 0) {
        const size_t most = size_t(std::min<off_t>(size, 1 << 20));
        const ssize_t copied = useSendfile ? ::sendfile(target, source, nullptr, most) : copyBlock(source, target, most);
        if (copied < 0 && useSendfile && (errno == EINVAL || errno == ENOSYS)) {
            useSendfile = false;
            continue;
        }
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied <= 0)
            return copied < 0 ? errno : 0;
        size -= copied;
    }
    return 0;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

FolderDriveA::FolderDriveA(const QString &folder)
    : folderPath(folder)
{
}

FolderDriveA::~FolderDriveA()
{
    closeFolder();
}

bool FolderDriveA::openFolder()
{
    if (folderFd >= 0)
        return true;
    if (folderPath.isEmpty()) {
        errno = ENODEV;
        return false;
    }
    folderFd = ::open(QFile::encodeName(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return folderFd >= 0;
}

void FolderDriveA::closeFolder()
{
    if (folderFd >= 0)
        ::close(std::exchange(folderFd, -1));
}

CopyOutcome FolderDriveA::FileCopy(const QString &sourcePath, const QString &destination)
{
    const QByteArray name = fileNameOnDisk(destination);
    if (name.isEmpty())
        return {OtherFailure, QStringLiteral("\"%1\" names no file on drive A").arg(destination)};
    const CopyOutcome outcome = copy(sourcePath, name);
    if (!outcome.ok())
        closeFolder();
    return outcome;
}

CopyOutcome FolderDriveA::copy(const QString &sourcePath, const QByteArray &name)
{
    // Non-blocking, so that a named pipe among the items cannot hang the run.
    const FileDescriptor source(::open(QFile::encodeName(sourcePath).constData(),
                                       O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat sourceInfo {};
    if (!source || ::fstat(source.get(), &sourceInfo) < 0)
        return copyFailure(errno);
    if (S_ISDIR(sourceInfo.st_mode))
        return copyFailure(EISDIR);
    if (!S_ISREG(sourceInfo.st_mode))
        return {OtherFailure, QStringLiteral("It is not a regular file")};
    if (!openFolder())
        return failure(errno);
    return replaceTarget(source.get(), sourceInfo, name);
}

// Writes the open source file to the disk under name and puts it on the medium. Never
// through a link found on the disk, and never over the source itself.
CopyOutcome FolderDriveA::replaceTarget(int source, const struct stat &sourceInfo, const QByteArray &name)
{
    const QString shownName = QFile::decodeName(name);
    struct stat targetInfo {};
    if (::fstatat(folderFd, name.constData(), &targetInfo, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(targetInfo.st_mode))
            return {OtherFailure, QStringLiteral("%1 on drive A is a symbolic link").arg(shownName)};
        if (!S_ISREG(targetInfo.st_mode))
            return {OtherFailure, QStringLiteral("%1 on drive A is not a regular file").arg(shownName)};
        if (sameFile(sourceInfo, targetInfo))
            return {};
    }

    FileDescriptor target(::openat(folderFd, name.constData(),
                                   O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644));
    if (!target)
        return copyFailure(errno);
    int error = copyContents(source, target.get(), sourceInfo.st_size);
    if (!error && ::fsync(target.get()) < 0)
        error = errno;
    if (::close(target.release()) < 0 && !error)
        error = errno;
    if (error) {
        // No truncated style may stay on the disk.
        ::unlinkat(folderFd, name.constData(), 0);
        return copyFailure(error);
    }
    return {};
}

CopyOutcome FolderDriveA::Flush()
{
    if (!openFolder())
        return failure(errno);
    const bool synced = ::fsync(folderFd) == 0 || errno == EINVAL;
    const int error = errno;
    closeFolder();
    return synced ? CopyOutcome{} : copyFailure(error);
}
