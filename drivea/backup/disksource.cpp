#include "disksource.h"

#include "drivealock.h"
#include "floppies.h"
#include "localname.h"
#include "mtools.h"
#include "stylecopy.h"
#include "systemfailure.h"
#include "udisks.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

QString failureText(const CopyOutcome &failure, const QString &subject)
{
    return failure.reason.isEmpty() ? backUpText("%1 cannot be read.").arg(subject) : failure.reason;
}

// Another Dupliva window writing drive A meanwhile would change what is read. A drive
// that this user cannot write, nobody here writes either.
QString lockForReading(DriveALock &lock, const QString &path)
{
    const QString refused = lock.take(path).reason;
    return ::access(localName(path).constData(), W_OK) == 0 ? refused : QString();
}

DiskContents readThroughMtools(const QString &imageOrDevice, DriveKind kind)
{
    DiskContents contents;
    DriveALock lock;
    contents.error = lockForReading(lock, imageOrDevice);
    if (!contents.error.isEmpty())
        return contents;
    const Result<RootListing> listing = listRoot(imageOrDevice);
    Result<QHash<QString, QByteArray>> bytes{{}, listing.failure};
    const auto isFile = [](const RootEntry &entry) { return !entry.folder; };
    if (listing.ok() && std::any_of(listing.value.entries.cbegin(), listing.value.entries.cend(), isFile))
        bytes = readFolderThroughMtools(imageOrDevice, QStringLiteral("::"));
    if (!bytes.ok()) {
        contents.error = failureText(bytes.failure, imageOrDevice);
        return contents;
    }
    const RootListing &root = listing.value;
    contents.disk = {root.serial, root.label, kind, kind == DriveKind::Image ? imageOrDevice : QString()};
    contents.freeBytes = root.freeBytes;
    for (const RootEntry &entry : root.entries) {
        if (!entry.folder)
            contents.files.append({entry.name, bytes.value.value(entry.name.toCaseFolded()), {}});
    }
    return contents;
}

// The regular files directly in folder, in the order of their names.
DiskContents readFolder(const QString &folder, const DiskId &disk)
{
    DiskContents contents{disk, {}, {}};
    struct statvfs room {};
    if (::statvfs(localName(folder).constData(), &room) == 0)
        contents.freeBytes = qint64(room.f_bavail) * qint64(room.f_frsize);
    DriveALock lock;
    contents.error = lockForReading(lock, folder);
    if (contents.error.isEmpty() && ::access(localName(folder).constData(), R_OK | X_OK) != 0)
        contents.error = backUpText("%1 cannot be read: %2").arg(folder, qt_error_string(errno));
    QStringList names = contents.error.isEmpty() ? namesIn(folder) : QStringList{};
    std::sort(names.begin(), names.end());
    for (const QString &name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        struct stat info {};
        if (::lstat(localName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        const Result<QByteArray> bytes = readWholeFile(path);
        if (!bytes.ok()) {
            contents.error = backUpText("%1 cannot be read: %2").arg(path, bytes.failure.reason);
            break;
        }
        contents.files.append({name, bytes.value, path});
    }
    return contents;
}

// The volume serial number of the FAT file system on device, as the system names it in
// /dev/disk/by-uuid ("1A2B-3C4D"); empty when it has none.
QString serialOf(const QString &device)
{
    const QDir byUuid(QStringLiteral("/dev/disk/by-uuid"));
    const QString target = QFileInfo(device).canonicalFilePath();
    for (const QString &name : byUuid.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(byUuid.filePath(name)).canonicalFilePath() == target)
            return name;
    }
    return {};
}

DiskContents failed(const QString &error)
{
    return {{}, {}, error};
}

DiskContents readMountedFloppy(const UDisksFloppy &floppy, UDisks &udisks)
{
    QString mountPoint = floppy.mounted() ? floppy.block.mountPoints.constFirst() : QString();
    if (mountPoint.isEmpty()) {
        const UDisksReply reply = udisks.mount(floppy.block.path);
        if (!reply.ok())
            return failed(backUpText("The disk in %1 cannot be mounted: %2").arg(floppy.block.device, reply.message));
        mountPoint = reply.mountPoint;
    }
    return readFolder(mountPoint, {serialOf(floppy.block.device), floppy.block.idLabel, DriveKind::MountedFloppy, {}});
}

// Without UDisks2 a named block device is still read through mtools.
DiskContents readFloppy(const QString &device, UDisks &udisks)
{
    const std::optional<UDisksMachine> machine = udisks.machine();
    QList<UDisksFloppy> floppies;
    if (machine && device.isEmpty())
        floppies = floppyDrives(*machine);
    else if (machine && namedBlockDevice(*machine, device))
        floppies.append(*namedBlockDevice(*machine, device));
    if (floppies.isEmpty() && device.isEmpty())
        return failed(machine ? backUpText("No floppy drive was found.") : backUpText("UDisks2 is not running, so no floppy drive can be found."));
    if (floppies.isEmpty())
        return readThroughMtools(device, DriveKind::FloppyDevice);
    const UDisksFloppy &floppy = floppies.constFirst();
    return floppy.seenInto() ? readMountedFloppy(floppy, udisks) : readThroughMtools(floppy.block.device, DriveKind::FloppyDevice);
}

} // namespace

DiskContents readDriveA(const QString &given, UDisks &udisks)
{
    const QString driveA = given.isEmpty() ? QString() : absolutePath(given);
    struct stat info {};
    const bool found = !driveA.isEmpty() && ::stat(localName(driveA).constData(), &info) == 0;
    if (driveA.isEmpty() || (found && S_ISBLK(info.st_mode)))
        return readFloppy(driveA, udisks);
    if (!found)
        return failed(backUpText("Drive A %1 cannot be reached: %2").arg(driveA, qt_error_string(errno)));
    if (S_ISREG(info.st_mode))
        return readThroughMtools(driveA, DriveKind::Image);
    if (S_ISDIR(info.st_mode))
        return readFolder(driveA, {{}, driveA.mid(driveA.lastIndexOf(QLatin1Char('/')) + 1), DriveKind::Folder, driveA});
    return failed(backUpText("Drive A %1 is neither a folder, a floppy image nor a floppy drive.").arg(driveA));
}
