#include "mounteddisk.h"

#include "floppysizes.h"
#include "localname.h"

#include <sys/statvfs.h>

std::optional<DiskRoom> mountedDiskRoom(const QString &mountPoint, bool labelled)
{
    struct statvfs disk {};
    if (::statvfs(localName(mountPoint).constData(), &disk) != 0 || disk.f_frsize == 0
        || qint64(disk.f_blocks) * qint64(disk.f_frsize) > largestFloppy)
        return std::nullopt;
    DiskRoom room;
    room.clusterBytes = qint64(disk.f_frsize);
    room.clusters = qint64(disk.f_blocks);
    room.freeClusters = qint64(disk.f_bavail);
    // The floppy whose data area the disk has tells the entries of its root directory,
    // which statvfs does not.
    const FloppySize floppy = floppyHolding(room.clusters * room.clusterBytes);
    room.capacity = floppy.bytes;
    room.rootEntries = floppy.rootEntries;
    const QStringList names = namesIn(mountPoint);
    room.countRootDirectory(labelled, names);
    for (const QString &name : names) {
        if (const qint64 bytes = fileSize(mountPoint + QLatin1Char('/') + name); bytes >= 0)
            room.fileBytes.insert(name.toUpper(), bytes);
    }
    return room;
}

qint64 freeBytesAt(const QString &mountPoint)
{
    struct statvfs disk {};
    if (::statvfs(localName(mountPoint).constData(), &disk) != 0)
        return -1;
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}
