#include "floppydevice.h"

#include "filedescriptor.h"
#include "floppysizes.h"
#include "localname.h"
#include "systemfailure.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString whoMayWrite(const QString &device)
{
    struct stat info {};
    if (::stat(localName(device).constData(), &info) != 0)
        return {};
    if (!(info.st_mode & S_IWGRP))
        return driveText(" Only root may write to %1.").arg(device);
    const struct group *group = ::getgrgid(info.st_gid);
    const QString name = group ? QString::fromLocal8Bit(group->gr_name) : QString::number(info.st_gid);
    return driveText(" Only members of the group %1 may write to %2: your user must be in the group %1 (ask the "
                          "computer's administrator), then log in again.")
        .arg(name, device);
}

CopyOutcome cannotOpen(const QString &device, int error)
{
    CopyOutcome outcome = systemFailure(error, device);
    if (error == EROFS)
        outcome.reason += driveText(". The disk is write-protected: slide its tab to close the hole.");
    if (error == EACCES || error == EPERM)
        outcome.reason += QLatin1Char('.') + whoMayWrite(device);
    return outcome;
}

} // namespace

FloppyDevice examineFloppyDevice(const QString &device)
{
    // O_EXCL: a device whose file system is mounted is not written behind its back.
    const FileDescriptor fd(::open(localName(device).constData(), O_RDWR | O_EXCL | O_CLOEXEC | O_NOCTTY));
    if (!fd)
        return {cannotOpen(device, errno)};
    FloppyDevice floppy;
    quint64 size = 0;
    int readOnly = 0;
    if (::ioctl(fd.get(), BLKGETSIZE64, &size) != 0 || ::ioctl(fd.get(), BLKROGET, &readOnly) != 0)
        floppy.state = cannotOpen(device, errno);
    else if (readOnly)
        floppy.state = cannotOpen(device, EROFS);
    else if (size == 0)
        floppy.state = {DriveNotReady, driveText("no disk in %1").arg(device)};
    else if (size > quint64(largestFloppy))
        floppy.state = {OtherFailure, driveText("%1 holds %2, more than a floppy disk").arg(device, capacityText(qint64(size)))};
    floppy.size = qint64(size);
    return floppy;
}
