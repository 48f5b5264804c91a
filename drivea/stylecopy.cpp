#include "stylecopy.h"

#include "localname.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

FileDescriptor::~FileDescriptor()
{
    if (fd >= 0)
        ::close(fd);
}

FileDescriptor &FileDescriptor::operator=(FileDescriptor &&other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            ::close(fd);
        fd = other.release();
    }
    return *this;
}

int FileDescriptor::release()
{
    return std::exchange(fd, -1);
}

QString nameOnDriveA(const QString &destination, CopyOutcome *failure)
{
    const QString name = destination.startsWith(QLatin1String("a:"), Qt::CaseInsensitive) ? destination.mid(2) : QString();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/'))) {
        *failure = {OtherFailure, driveText("\"%1\" names no file on drive A").arg(destination)};
        return {};
    }
    return name;
}

// Non-blocking, so that a named pipe among the items cannot hang the run.
FileDescriptor openStyle(const QString &path, CopyOutcome *failure, off_t *size)
{
    FileDescriptor style(::open(localName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    QString why;
    if (!style || ::fstat(style.get(), &info) < 0)
        why = qt_error_string(errno);
    else if (S_ISDIR(info.st_mode))
        why = qt_error_string(EISDIR);
    else if (!S_ISREG(info.st_mode))
        why = driveText("It is not a regular file");
    if (!why.isEmpty()) {
        *failure = {OtherFailure, why};
        return FileDescriptor();
    }
    if (size)
        *size = info.st_size;
    return style;
}

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

CopyOutcome readsBackDifferent(const QString &name, const QString &source)
{
    return {OtherFailure, driveText("%1 on drive A reads back different from its source").arg(name), source};
}
