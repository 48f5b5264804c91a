#include "systemfailure.h"

#include <cerrno>

namespace {

FailureCode failureCode(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DiskFull;
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
    case EIO:
        return DriveNotReady;
    default:
        return OtherFailure;
    }
}

} // namespace

CopyOutcome systemFailure(int error, const QString &subject)
{
    const QString words = qt_error_string(error);
    return {failureCode(error), subject.isEmpty() ? words : QStringLiteral("%1: %2").arg(subject, words)};
}
