#include "drivealock.h"

#include "drivea.h"
#include "localname.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

CopyOutcome anotherWindow(const QString &drivePath)
{
    return driveFailure(OtherFailure, driveText("Another Dupliva window is writing to drive A (%1)").arg(QDir::toNativeSeparators(drivePath)));
}

CopyOutcome cannotLock(const QString &path, int error)
{
    return driveFailure(OtherFailure, driveText("Drive A cannot be locked for writing: %1: %2").arg(path, qt_error_string(error)));
}

bool isBusy(int error)
{
    return error == EWOULDBLOCK || error == EAGAIN || error == EACCES;
}

// False, with errno set, when it cannot be locked.
bool lockDescriptor(int fd, bool isFolder)
{
    if (isFolder)
        return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &whole) == 0;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A block device that this user may not open, such as a USB floppy that the desktop
// mounts: a lock file named after the device's number in the user's private runtime
// folder stands in for it.
QString deviceStandIn(const struct stat &device)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return {};
    return QStringLiteral("%1/dupliva-drive-a-%2-%3.lock").arg(folder).arg(major(device.st_rdev)).arg(minor(device.st_rdev));
}

} // namespace

CopyOutcome DriveALock::take(const QString &drivePath)
{
    if (!fds.empty())
        return {};
    const QByteArray path = localName(drivePath);
    // The path may be made to name another file between opening and locking: the lock
    // counts only if it still names the locked one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        struct stat named {};
        if (::stat(path.constData(), &named) < 0)
            return cannotLock(drivePath, errno);
        const bool isFolder = S_ISDIR(named.st_mode);
        QByteArray lockPath = path;
        FileDescriptor fd(::open(path.constData(), (isFolder ? O_RDONLY | O_DIRECTORY : O_RDWR | O_NONBLOCK) | O_NOCTTY | O_CLOEXEC));
        if (!fd && S_ISBLK(named.st_mode) && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            lockPath = localName(deviceStandIn(named));
            fd = FileDescriptor(lockPath.isEmpty() ? -1 : ::open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
            named = {};
            if (fd)
                ::fstat(fd.get(), &named);
        }
        if (!fd)
            return cannotLock(fromLocalName(lockPath), errno);
        if (!lockDescriptor(fd.get(), isFolder))
            return isBusy(errno) ? anotherWindow(drivePath) : cannotLock(drivePath, errno);
        struct stat locked {}, now {};
        if (::fstat(fd.get(), &locked) == 0 && ::stat(lockPath.constData(), &now) == 0 && sameFile(locked, now)) {
            fds.push_back(std::move(fd));
            return {};
        }
    }
    return anotherWindow(drivePath);
}

bool DriveALock::lockReplacement(int fd)
{
    FileDescriptor own(::fcntl(fd, F_DUPFD_CLOEXEC, 3));
    if (!own || !lockDescriptor(own.get(), false))
        return false;
    fds.push_back(std::move(own));
    return true;
}

void DriveALock::replaced()
{
    if (fds.size() > 1)
        fds.erase(fds.begin(), fds.end() - 1);
}

void DriveALock::release()
{
    fds.clear();
}
