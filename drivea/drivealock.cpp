#include "drivealock.h"

#include "drivea.h"

#include "localname.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace {

QString lockFilePath(const QString &drivePath)
{
    const QFileInfo drive(drivePath);
    const QString realPath = drive.canonicalFilePath().isEmpty() ? drive.absoluteFilePath() : drive.canonicalFilePath();
    const QByteArray key = QCryptographicHash::hash(localName(realPath), QCryptographicHash::Sha1).toHex().left(20);
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStringLiteral("/tmp");
    return QStringLiteral("%1/dupliva-drive-a-%2.lock").arg(folder, QString::fromLatin1(key));
}

} // namespace

QString DriveALock::take(const QString &drivePath)
{
    if (fd >= 0)
        return {};
    const QString path = lockFilePath(drivePath);
    // Readable by all, since flock needs no more and in /tmp another user may hold it.
    const int opened = ::open(localName(path).constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (opened < 0)
        return driveText("Drive A cannot be locked for writing: %1: %2").arg(path, qt_error_string(errno));
    if (::flock(opened, LOCK_EX | LOCK_NB) < 0) {
        const int error = errno;
        ::close(opened);
        if (error == EWOULDBLOCK)
            return driveText("Another Dupliva window is writing to drive A (%1)").arg(QDir::toNativeSeparators(drivePath));
        return driveText("Drive A cannot be locked for writing: %1: %2").arg(path, qt_error_string(error));
    }
    fd = opened;
    return {};
}

void DriveALock::release()
{
    if (fd >= 0)
        ::close(std::exchange(fd, -1));
}
