#include "floppydrive.h"

#include "drivealock.h"
#include "floppydevice.h"
#include "folderdrive.h"
#include "devicedrive.h"
#include "imageformat.h"
#include "localname.h"
#include "mounteddisk.h"

#include <QRegularExpression>

#include <algorithm>
#include <sys/stat.h>

namespace {

QString noUDisks()
{
    return driveText("UDisks2 is not running");
}

QList<UDisksFloppy> floppiesFor(const UDisksMachine &machine, const QString &device)
{
    if (device.isEmpty())
        return floppyDrives(machine);
    const std::optional<UDisksFloppy> named = namedBlockDevice(machine, device);
    return named ? QList{*named} : QList<UDisksFloppy>{};
}

QString notFound(const QString &device)
{
    return device.isEmpty() ? driveText("no floppy drive found") : driveText("no block device %1").arg(device);
}

// The same floppy as UDisks2 shows it now.
std::optional<UDisksFloppy> lookAgain(UDisks &udisks, const UDisksFloppy &floppy, const QString &device)
{
    const std::optional<UDisksMachine> machine = udisks.machine();
    if (!machine)
        return std::nullopt;
    for (const UDisksFloppy &now : floppiesFor(*machine, device)) {
        if (floppy.drive.path.isEmpty() ? now.block.path == floppy.block.path : now.drive.path == floppy.drive.path)
            return now;
    }
    return std::nullopt;
}

bool driveIsGone(const UDisksReply &reply)
{
    static const QStringList gone = {
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"), QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.NoReply"), QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"), QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
    };
    // UDisks2 passes on mount's words for ENOMEDIUM, in the daemon's own language.
    return gone.contains(reply.errorName) || reply.message.contains(QLatin1String("No medium found"), Qt::CaseInsensitive);
}

// A drive that is gone or empty is not ready; anything else, a refusal by the desktop's
// policy above all, is told in the system's words.
CopyOutcome mountFailure(const UDisksReply &reply)
{
    return {driveIsGone(reply) ? DriveNotReady : OtherFailure, reply.message};
}

// Where the disk is after Mount answered: where Mount put it, or where the desktop had
// mounted it first (AlreadyMounted). Empty when it is not mounted.
QString mountedAfter(UDisks &udisks, const UDisksFloppy &floppy, const QString &device, const UDisksReply &reply)
{
    if (reply.ok() && !reply.mountPoint.isEmpty())
        return reply.mountPoint;
    if (const std::optional<UDisksFloppy> now = lookAgain(udisks, floppy, device); now && now->mounted())
        return now->block.mountPoints.constFirst();
    // "Device /dev/sdb is already mounted at `/media/user/STYLES'."
    static const QRegularExpression mountedAt(QStringLiteral("already mounted at `(.+)'"));
    if (reply.errorName == QLatin1String("org.freedesktop.UDisks2.Error.AlreadyMounted"))
        return mountedAt.match(reply.message).captured(1);
    return {};
}

// Mounts the floppy's disk, unless it is mounted already, and tells where it is.
Result<QString> mountDisk(UDisks &udisks, const UDisksFloppy &floppy, const QString &device)
{
    if (floppy.mounted())
        return {floppy.block.mountPoints.constFirst(), {}};
    const UDisksReply reply = udisks.mount(floppy.block.path);
    const QString mountPoint = mountedAfter(udisks, floppy, device, reply);
    return {mountPoint, mountPoint.isEmpty() ? mountFailure(reply) : CopyOutcome{}};
}

// The floppy after UDisks2 has been asked to look into it, if it had not. A look refused
// by the policy changes nothing: the disk is then written as UDisks2 shows it.
Result<UDisksFloppy> lookInto(UDisks &udisks, const UDisksFloppy &floppy, const QString &device)
{
    if (floppy.seenInto() || !udisks.rescan(floppy.block.path).ok())
        return {floppy, {}};
    const std::optional<UDisksFloppy> now = lookAgain(udisks, floppy, device);
    if (!now)
        return {{}, {DriveNotReady, notFound(device)}};
    return {*now, {}};
}

CopyOutcome formatThroughMtools(const QString &device, const QString &label)
{
    const FloppyDevice medium = examineFloppyDevice(device);
    return medium.state.ok() ? formatDevice(device, medium.size, label).failure : medium.state;
}

// Without mounting anything: the floppy whose disk is mounted, else the first one
// known to hold a disk, else the first one.
UDisksFloppy likelyDriveA(const QList<UDisksFloppy> &floppies)
{
    const auto withDisk = std::find_if(floppies.cbegin(), floppies.cend(), [](const UDisksFloppy &floppy) {
        return floppy.mounted() || floppy.block.hasFilesystem || floppy.block.size > 0;
    });
    return withDisk == floppies.cend() ? floppies.constFirst() : *withDisk;
}

QString kindOfDrive(const UDisksFloppy &floppy, const UDisksMachine &machine)
{
    if (floppy.drive.path.isEmpty())
        return driveText("block device");
    const QString kind = isFloppyDrive(floppy.drive, machine) ? driveText("floppy drive") : driveText("drive");
    if (floppy.internal())
        return driveText("internal ") + kind;
    return floppy.drive.connectionBus == QLatin1String("usb") ? driveText("USB ") + kind : kind;
}

QString freeSpaceText(const QString &mountPoint)
{
    const qint64 bytes = freeBytesAt(mountPoint);
    return bytes < 0 ? QString() : freeText(bytes);
}

} // namespace

FloppyDriveA::FloppyDriveA(UDisks &udisks, const QString &device)
    : udisks(udisks)
    , device(device)
{
}

void FloppyDriveA::BeginRun(const QStringList &sources)
{
    letGo();
    runSources = sources;
}

void FloppyDriveA::EndRun()
{
    letGo();
}

void FloppyDriveA::letGo()
{
    if (disk)
        disk->EndRun();
    disk.reset();
    mountedAt.clear();
}

QString FloppyDriveA::mountPoint() const
{
    return mountedAt;
}

// Opens the disk as the first copy would, and fails as that copy would, naming its source.
CopyOutcome FloppyDriveA::CheckGroupsFit(const QList<RunGroup> &groups)
{
    if (groups.isEmpty())
        return {};
    if (CopyOutcome outcome = openDisk(); !outcome.ok()) {
        if (outcome.source.isEmpty())
            outcome.source = groups.constFirst().sources.value(0);
        return outcome;
    }
    return disk->CheckGroupsFit(groups);
}

CopyOutcome FloppyDriveA::BeginGroup(const RunGroup &group)
{
    if (CopyOutcome outcome = openDisk(); !outcome.ok())
        return {}; // the first copy tells, naming its source
    return disk->BeginGroup(group);
}

CopyOutcome FloppyDriveA::FileCopy(const QString &sourcePath, const QString &name)
{
    if (CopyOutcome outcome = openDisk(); !outcome.ok())
        return outcome;
    return disk->FileCopy(sourcePath, name);
}

CopyOutcome FloppyDriveA::Flush()
{
    if (CopyOutcome outcome = openDisk(); !outcome.ok())
        return outcome;
    return disk->Flush();
}

int FloppyDriveA::groupsHeldBack() const
{
    return disk ? disk->groupsHeldBack() : 0;
}

CopyOutcome FloppyDriveA::FinishRun()
{
    return disk ? disk->FinishRun() : CopyOutcome{};
}

DiskId FloppyDriveA::diskInDrive() const
{
    return disk ? disk->diskInDrive() : DiskId{};
}

void FloppyDriveA::checksumReadBacks()
{
    checksummed = true;
    if (disk)
        disk->checksumReadBacks();
}

void FloppyDriveA::beginDiskRun()
{
    disk->BeginRun(runSources);
    if (checksummed)
        disk->checksumReadBacks();
}

CopyReadBack FloppyDriveA::readBackOf(const QString &source) const
{
    return disk ? disk->readBackOf(source) : CopyReadBack{};
}

// Drive A is the floppy whose disk is mounted, or else the first one whose disk mounts.
CopyOutcome FloppyDriveA::openDisk()
{
    if (disk)
        return {};
    const std::optional<UDisksMachine> machine = udisks.machine();
    if (!machine)
        return {DriveNotReady, noUDisks()};
    const QList<UDisksFloppy> floppies = floppiesFor(*machine, device);
    CopyOutcome outcome{DriveNotReady, notFound(device)};
    for (const UDisksFloppy &floppy : floppies) {
        const CopyOutcome opened = openFloppy(floppy);
        if (opened.ok())
            return {};
        // A refusal says more than an empty drive.
        if (outcome.code == DriveNotReady)
            outcome = opened;
    }
    return outcome;
}

// The disk where it is mounted, or else its block device, written through mtools.
CopyOutcome FloppyDriveA::openFloppy(UDisksFloppy floppy)
{
    const Result<UDisksFloppy> seen = lookInto(udisks, floppy, device);
    if (!seen.ok())
        return seen.failure;
    floppy = seen.value;
    if (!floppy.seenInto()) {
        // The image drive takes the lock on the block device itself.
        const FloppyDevice medium = examineFloppyDevice(floppy.block.device);
        if (medium.state.ok()) {
            disk = std::make_unique<DeviceDriveA>(floppy.block.device);
            beginDiskRun();
        }
        return medium.state;
    }
    // The folder drive locks the mount point, which a format cannot unmount meanwhile.
    const Result<QString> mounted = mountDisk(udisks, floppy, device);
    mountedAt = mounted.value;
    if (!mounted.ok())
        return mounted.failure;
    disk = std::make_unique<FolderDriveA>(mountedAt, FolderDriveA::Medium::FatDisk, floppy.block.idLabel);
    beginDiskRun();
    return {};
}

QString describeFloppyDrive(UDisks &udisks, const QString &device)
{
    const std::optional<UDisksMachine> machine = udisks.machine();
    if (!machine)
        return QStringLiteral("%1 (%2)").arg(notFound(device), noUDisks());
    const QList<UDisksFloppy> floppies = floppiesFor(*machine, device);
    if (floppies.isEmpty())
        return notFound(device);
    const UDisksFloppy floppy = likelyDriveA(floppies);
    // UDisks2 knows whether a USB drive holds a disk, never whether an internal one does.
    if (!floppy.seenInto() && floppy.block.size == 0 && !floppy.internal())
        return driveText("no disk in the floppy drive");

    QStringList parts = {kindOfDrive(floppy, *machine), floppy.mounted() ? floppy.block.mountPoints.constFirst() : floppy.block.device};
    parts.append(capacityText(floppy.block.size));
    // Only a mounted disk is asked for its free space: anything else would spin the drive.
    if (floppy.mounted())
        parts.append(freeSpaceText(floppy.block.mountPoints.constFirst()));
    else
        parts.append(floppy.seenInto() ? driveText("not mounted") : driveText("written without mounting"));
    parts.removeAll(QString());
    return parts.join(QLatin1String(", "));
}

std::optional<DiskRoom> mountedFloppyRoom(UDisks &udisks, const QString &device)
{
    const std::optional<UDisksMachine> machine = udisks.machine();
    const QList<UDisksFloppy> floppies = machine ? floppiesFor(*machine, device) : QList<UDisksFloppy>{};
    if (floppies.isEmpty() || !likelyDriveA(floppies).mounted())
        return std::nullopt;
    const UDisksBlock &block = likelyDriveA(floppies).block;
    return mountedDiskRoom(block.mountPoints.constFirst(), !block.idLabel.isEmpty());
}

CopyOutcome formatFloppyDisk(UDisks &udisks, const QString &device, const QString &label)
{
    const std::optional<UDisksMachine> machine = udisks.machine();
    if (!machine)
        return {OtherFailure, noUDisks()};
    const QList<UDisksFloppy> floppies = floppiesFor(*machine, device);
    if (floppies.isEmpty())
        return {OtherFailure, notFound(device)};
    const UDisksFloppy floppy = likelyDriveA(floppies);
    const UDisksBlock &block = floppy.block;
    if (block.size > largestFloppy)
        return {NotPossible, driveText("%1 is larger than a floppy disk").arg(block.device)};
    // A copy run locks a mounted disk's mount point and keeps it open, so that the unmount
    // fails while the run lasts; the lock tells it first. A disk that is not mounted is
    // locked by its device; a device that is not there has nothing to guard.
    DriveALock lock;
    const QString lockedPath = floppy.mounted() ? block.mountPoints.constFirst() : block.device;
    struct stat info {};
    if (::stat(localName(lockedPath).constData(), &info) == 0) {
        if (CopyOutcome locked = lock.take(lockedPath); !locked.ok())
            return locked;
    }
    if (floppy.mounted())
        lock.release();
    // UDisks2 would wait in vain for the new file system to show.
    if (!floppy.seenInto())
        return formatThroughMtools(block.device, label);

    if (floppy.mounted()) {
        if (const UDisksReply reply = udisks.unmount(block.path); !reply.ok())
            return {OtherFailure, reply.message};
    }
    if (const UDisksReply reply = udisks.format(block.path, QStringLiteral("vfat"), label); !reply.ok())
        return {OtherFailure, reply.message};
    const UDisksReply reply = udisks.mount(block.path);
    return reply.ok() || !mountedAfter(udisks, floppy, device, reply).isEmpty() ? CopyOutcome{} : CopyOutcome{OtherFailure, reply.message};
}
