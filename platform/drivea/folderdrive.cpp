#include "folderdrive.h"

#include "fatname.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

// A source that cannot be read is never the drive's fault.
CopyOutcome sourceFailure(int error)
{
    return {OtherFailure, qt_error_string(error)};
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

// Reads both files from their start and tells whether they hold the same bytes.
// Returns 0, -1 for a difference, or the failure's errno.
int compareContents(int first, int second)
{
    char a[64 * 1024], b[64 * 1024];
    for (;;) {
        const ssize_t gotA = ::read(first, a, sizeof a);
        if (gotA < 0)
            return errno;
        ssize_t gotB = 0;
        while (gotB < gotA) {
            const ssize_t got = ::read(second, b + gotB, size_t(gotA - gotB));
            if (got < 0)
                return errno;
            if (got == 0)
                break;
            gotB += got;
        }
        if (gotB != gotA || std::memcmp(a, b, size_t(gotA)) != 0)
            return -1;
        if (gotA == 0)
            return ::read(second, b, 1) == 0 ? 0 : -1;
    }
}

// Puts a copied file on the medium and reads it back against its source.
// Returns 0, -1 for a difference, or the failure's errno.
int flushAndCompare(int source, int target)
{
    if (::fsync(target) < 0)
        return errno;
    if (::lseek(source, 0, SEEK_SET) < 0 || ::lseek(target, 0, SEEK_SET) < 0)
        return errno;
    return compareContents(source, target);
}

} // namespace

FolderDriveA::FolderDriveA(const QString &folder, Medium medium)
    : folderPath(folder)
    , medium(medium)
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

void FolderDriveA::EndRun()
{
    closeFolder();
    writtenSinceFlush.clear();
}

// A failure once drive A's folder is open: the drive was there, so only a full disk keeps
// its own code, a folder that has been taken away since, and on a floppy a drive that has
// lost its disk.
CopyOutcome FolderDriveA::diskFailure(int error) const
{
    const CopyOutcome outcome = failure(error);
    if (outcome.code == DiskFull)
        return outcome;
    struct stat folderInfo {};
    if (::fstat(folderFd, &folderInfo) == 0 && folderInfo.st_nlink == 0)
        return {DriveNotReady, outcome.reason};
    const bool diskGone = error == EIO || error == ENXIO || error == ENOMEDIUM || error == ENODEV;
    if (medium == Medium::FatDisk && diskGone)
        return {DriveNotReady, outcome.reason};
    return {OtherFailure, outcome.reason};
}

CopyOutcome FolderDriveA::FileCopy(const QString &sourcePath, const QString &destination)
{
    QByteArray name = fileNameOnDisk(destination);
    if (name.isEmpty())
        return {OtherFailure, QStringLiteral("\"%1\" names no file on drive A").arg(destination)};
    if (medium == Medium::FatDisk) {
        const QString shownName = QFile::decodeName(name);
        if (const QString why = whyFatCannotStore(shownName); !why.isEmpty())
            return {OtherFailure, why};
        name = QFile::encodeName(fatDiskName(shownName));
    }
    const CopyOutcome outcome = copy(sourcePath, name);
    if (!outcome.ok())
        EndRun(); // the next disk may be another
    else if (medium == Medium::FatDisk)
        remember(name, sourcePath);
    return outcome;
}

// The last copy under a name is the one that must read back.
void FolderDriveA::remember(const QByteArray &name, const QString &sourcePath)
{
    writtenSinceFlush.removeIf([&](const WrittenFile &file) { return file.name == name; });
    writtenSinceFlush.append({name, sourcePath});
}

CopyOutcome FolderDriveA::copy(const QString &sourcePath, const QByteArray &name)
{
    // Non-blocking, so that a named pipe among the items cannot hang the run.
    const FileDescriptor source(::open(QFile::encodeName(sourcePath).constData(),
                                       O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat sourceInfo {};
    if (!source || ::fstat(source.get(), &sourceInfo) < 0)
        return sourceFailure(errno);
    if (S_ISDIR(sourceInfo.st_mode))
        return sourceFailure(EISDIR);
    if (!S_ISREG(sourceInfo.st_mode))
        return {OtherFailure, QStringLiteral("It is not a regular file")};
    if (!openFolder())
        return failure(errno);
    return replaceTarget(source.get(), sourceInfo, name);
}

// Writes the open source file to the disk under name. Never through a link found on
// the disk, and never over the source itself.
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
                                   O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644));
    if (!target)
        return diskFailure(errno);
    int error = copyContents(source, target.get(), sourceInfo.st_size);
    if (!error && medium == Medium::Folder)
        error = flushAndCompare(source, target.get());
    if (::close(target.release()) < 0 && !error)
        error = errno;
    if (error) {
        // No truncated or garbled style may stay on the disk.
        ::unlinkat(folderFd, name.constData(), 0);
        return error < 0 ? differs(name, {}) : diskFailure(error);
    }
    return {};
}

CopyOutcome FolderDriveA::Flush()
{
    if (!openFolder())
        return failure(errno);
    CopyOutcome outcome = putOnTheMedium();
    for (qsizetype i = 0; outcome.ok() && i < writtenSinceFlush.size(); ++i)
        outcome = readBack(writtenSinceFlush[i]);
    EndRun();
    return outcome;
}

// A floppy is flushed as a whole, once per group, since every flush costs head seeks to
// the FAT and the directory. In an ordinary folder each file was flushed and read back
// as it was written, and only the folder itself is left.
CopyOutcome FolderDriveA::putOnTheMedium()
{
    if (medium == Medium::FatDisk)
        return ::syncfs(folderFd) == 0 ? CopyOutcome{} : diskFailure(errno);
    if (::fsync(folderFd) < 0 && errno != EINVAL)
        return diskFailure(errno);
    return {};
}

CopyOutcome FolderDriveA::differs(const QByteArray &name, const QString &source) const
{
    return {OtherFailure, QStringLiteral("%1 on drive A reads back different from its source").arg(QFile::decodeName(name)), source};
}

CopyOutcome FolderDriveA::readBack(const WrittenFile &file)
{
    const FileDescriptor written(::openat(folderFd, file.name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!written)
        return diskFailure(errno);
    // The pages are clean after the flush, so dropping them makes the read reach the disk.
    if (medium == Medium::FatDisk)
        ::posix_fadvise(written.get(), 0, 0, POSIX_FADV_DONTNEED);
    const FileDescriptor source(::open(QFile::encodeName(file.source).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!source)
        return {OtherFailure, qt_error_string(errno), file.source};
    const int result = compareContents(source.get(), written.get());
    if (result < 0) {
        ::unlinkat(folderFd, file.name.constData(), 0);
        return differs(file.name, file.source);
    }
    return result > 0 ? diskFailure(result) : CopyOutcome{};
}
