#include "stylecopy.h"

#include "checksum.h"
#include "localname.h"
#include "systemfailure.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

CopyOutcome checkNameOnDriveA(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')))
        return {OtherFailure, driveText("\"%1\" names no file on drive A").arg(name)};
    return {};
}

// Non-blocking, so that a named pipe among the items cannot hang the run.
Result<OpenStyle> openStyle(const QString &path)
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
    if (!why.isEmpty())
        return {{}, {OtherFailure, why}};
    return {{std::move(style), info.st_size}, {}};
}

Result<QByteArray> readWholeFile(const QString &path)
{
    const FileDescriptor fd(::open(localName(path).constData(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return {{}, systemFailure(errno)};
    Result<QByteArray> bytes;
    char buffer[64 * 1024];
    ssize_t got = 0;
    while ((got = ::read(fd.get(), buffer, sizeof buffer)) > 0)
        bytes.value.append(buffer, got);
    if (got < 0)
        bytes.failure = systemFailure(errno);
    return bytes;
}

std::optional<SameContents> compareWithCopy(int source, int copy, bool checksummed)
{
    char a[64 * 1024], b[64 * 1024];
    Checksum checksum;
    for (;;) {
        const ssize_t gotA = ::read(source, a, sizeof a);
        if (gotA < 0)
            return std::nullopt;
        ssize_t gotB = 0;
        while (gotB < gotA) {
            const ssize_t got = ::read(copy, b + gotB, size_t(gotA - gotB));
            if (got < 0)
                return std::nullopt;
            if (got == 0)
                break;
            gotB += got;
        }
        if (gotB != gotA || std::memcmp(a, b, size_t(gotA)) != 0)
            return SameContents{};
        if (checksummed)
            checksum.add(b, gotB);
        if (gotA == 0)
            return ::read(copy, b, 1) == 0 ? SameContents{true, checksummed ? checksum.result() : QByteArray()} : SameContents{};
    }
}

CopyOutcome readsBackDifferent(const QString &name, const QString &source)
{
    return {OtherFailure, driveText("%1 on drive A reads back different from its source").arg(name), source};
}
