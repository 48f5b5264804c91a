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

QString anotherWindow(const QString &drivePath)
{
    return driveText("Another Dupliva window is writing to drive A (%1)").arg(QDir::toNativeSeparators(drivePath));
}

QString cannotLock(const QString &path, int error)
{
    return driveText("Drive A cannot be locked for writing: %1: %2").arg(path, qt_error_string(error));
}

bool isBusy(int error)
{
    return error == EWOULDBLOCK || error == EAGAIN || error == EACCES;
}

// Returns 0 or the failure's errno.
int lockDescriptor(int fd, bool isFolder)
{
    if (isFolder)
        return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &whole) == 0 ? 0 : errno;
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

QString DriveALock::take(const QString &drivePath)
{
    if (!fds.isEmpty())
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
        int fd = ::open(path.constData(), (isFolder ? O_RDONLY | O_DIRECTORY : O_RDWR | O_NONBLOCK) | O_NOCTTY | O_CLOEXEC);
        if (fd < 0 && S_ISBLK(named.st_mode) && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            lockPath = localName(deviceStandIn(named));
            fd = lockPath.isEmpty() ? -1 : ::open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
            named = {};
            if (fd >= 0)
                ::fstat(fd, &named);
        }
        if (fd < 0)
            return cannotLock(fromLocalName(lockPath), errno);
        if (const int error = lockDescriptor(fd, isFolder)) {
            ::close(fd);
            return isBusy(error) ? anotherWindow(drivePath) : cannotLock(drivePath, error);
        }
        struct stat locked {}, now {};
        if (::fstat(fd, &locked) == 0 && ::stat(lockPath.constData(), &now) == 0 && sameFile(locked, now)) {
            fds.append(fd);
            return {};
        }
        ::close(fd);
    }
    return anotherWindow(drivePath);
}

bool DriveALock::lockReplacement(int fd)
{
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (own < 0 || lockDescriptor(own, false) != 0) {
        if (own >= 0)
            ::close(own);
        return false;
    }
    fds.append(own);
    return true;
}

void DriveALock::replaced()
{
    while (fds.size() > 1)
        ::close(fds.takeFirst());
}

void DriveALock::release()
{
    for (const int fd : std::as_const(fds))
        ::close(fd);
    fds.clear();
}
