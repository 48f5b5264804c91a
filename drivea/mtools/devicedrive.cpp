#include "devicedrive.h"

#include "fatname.h"
#include "floppydevice.h"
#include "localname.h"
#include "stylecopy.h"
#include "temporaryfiles.h"

#include <QRandomGenerator>

#include <fcntl.h>
#include <linux/fd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The folders that groups are written into: "~D" and six characters, an 8.3 name that
// takes one entry of the root directory.
const QString folderPrefix = QStringLiteral("~D");

QString onDisk(const QString &folder, const QString &name = {})
{
    return name.isEmpty() ? QStringLiteral("::") + folder : QStringLiteral("::%1/%2").arg(folder, mtoolsPattern(name));
}

bool sameDisk(const RootListing &a, const RootListing &b)
{
    return a.serial == b.serial && a.label == b.label;
}

} // namespace

DeviceDriveA::DeviceDriveA(const QString &device)
    : MtoolsDriveA(device)
{
}

CopyOutcome DeviceDriveA::checkDrive() const
{
    return driveFailure(examineFloppyDevice(path).state);
}

CopyOutcome DeviceDriveA::run(const QString &program, const QStringList &arguments) const
{
    const MtoolsRun done = runMtools(program, QStringList{QStringLiteral("-i"), path} + arguments, lock.descriptor());
    return done.ok() ? CopyOutcome{} : driveFailure(mtoolsFailure(path, done.exitCode, done.errors));
}

// The lock, the folders that a killed run left, and the disk that the run starts on.
CopyOutcome DeviceDriveA::openDrive()
{
    if (CopyOutcome locked = lock.take(path); !locked.ok())
        return locked;
    for (const QString &folder : TemporaryFiles::recordedPrefixes(path, folderPrefix)) {
        if (removeFolder(folder))
            TemporaryFiles::forget(path, folder);
    }
    const Result<RootListing> listing = listRoot(path);
    startedOn = listing.value;
    root = startedOn;
    room = diskRoomWithListing(path, root);
    return listing.ok() ? CopyOutcome{} : driveFailure(listing.failure);
}

// A floppy changed in its drive has another serial number or label. The root directory
// and the room are read afresh for each group.
CopyOutcome DeviceDriveA::checkSameDisk()
{
    const Result<RootListing> now = listRoot(path);
    if (!now.ok())
        return driveFailure(now.failure);
    if (!sameDisk(startedOn, now.value))
        return otherDisk(now.value);
    root = now.value;
    room = diskRoomWithListing(path, root);
    return {};
}

CopyOutcome DeviceDriveA::FinishRun()
{
    return opened ? checkSameDisk() : CopyOutcome{};
}

// The group's folder takes an entry of the root directory and clusters for its own entries.
GroupFit DeviceDriveA::fitOnDisk(const QList<Copy> &files) const
{
    if (!room)
        return GroupFit::Beside;
    QStringList names;
    for (const Copy &file : files)
        names.append(file.name);
    const qint64 folderBytes = (2 + directoryEntries(names)) * directoryEntryBytes;
    return groupFit(*room, group, (folderBytes + room->clusterBytes - 1) / room->clusterBytes, 1);
}

// Nothing of the disk is removed before the sources are linked for mcopy, which a full
// temporary folder may refuse.
CopyOutcome DeviceDriveA::writeGroup(const QList<Copy> &files, GroupFit fit)
{
    const SourceLinks links(files);
    if (!links.failure.ok())
        return links.failure;
    if (fit == GroupFit::InPlaceOfOldCopies) {
        if (CopyOutcome outcome = removeOldCopies(files); !outcome.ok())
            return outcome;
    }
    const QString folder = unusedFolderName();
    TemporaryFiles::record(path, folder);
    CopyOutcome outcome = run(QStringLiteral("mmd"), {onDisk(folder)});
    if (outcome.ok())
        outcome = writeAndMove(folder, files, links);
    if (removeFolder(folder))
        TemporaryFiles::forget(path, folder);
    if (outcome.ok())
        outcome = flushDevice();
    return outcome;
}

// Only when the group fits in place of its earlier copies and not beside them: the disk
// then lacks them until the group is on it.
CopyOutcome DeviceDriveA::removeOldCopies(const QList<Copy> &files) const
{
    QStringList present;
    for (const Copy &file : files) {
        if (room->fileBytes.contains(file.name.toUpper()))
            present.append(QStringLiteral("::") + mtoolsPattern(file.name));
    }
    return present.isEmpty() ? CopyOutcome{} : run(QStringLiteral("mdel"), present);
}

CopyOutcome DeviceDriveA::writeAndMove(const QString &folder, const QList<Copy> &files, const SourceLinks &links)
{
    CopyOutcome outcome = write(path, onDisk(folder), links, lock.descriptor());
    if (outcome.ok())
        outcome = flushDevice();
    if (!outcome.ok())
        return outcome;
    const Result<QHash<QString, QByteArray>> read = readFolderThroughMtools(path, onDisk(folder));
    if (!read.ok())
        return driveFailure(read.failure);
    if (outcome = compare(read.value, files); !outcome.ok())
        return outcome;
    QStringList moved{QStringLiteral("-D"), QStringLiteral("oO")};
    for (const Copy &file : files)
        moved.append(onDisk(folder, file.name));
    return run(QStringLiteral("mmove"), moved << QStringLiteral("::"));
}

QString DeviceDriveA::unusedFolderName() const
{
    for (;;) {
        const quint32 number = QRandomGenerator::system()->bounded(quint32(36 * 36 * 36) * 36 * 36 * 36);
        const QString name = folderPrefix + QStringLiteral("%1").arg(number, 6, 36, QLatin1Char('0')).toUpper();
        const auto taken = [&](const RootEntry &entry) { return entry.shortName.compare(name, Qt::CaseInsensitive) == 0; };
        if (std::none_of(root.entries.begin(), root.entries.end(), taken))
            return name;
    }
}

// True when the folder is gone, or was never made.
bool DeviceDriveA::removeFolder(const QString &folder) const
{
    const MtoolsRun done = runMtools(QStringLiteral("mdeltree"), {QStringLiteral("-i"), path, onDisk(folder)}, lock.descriptor());
    return done.ok() || done.errors.contains(QLatin1String("not found"));
}

// The disk holds what mtools wrote, and what is read next comes from the disk: neither the
// system's cache nor the floppy driver's track buffer answers for it.
CopyOutcome DeviceDriveA::flushDevice() const
{
    // The floppy driver takes FDFLUSH only on a descriptor open for writing.
    const FileDescriptor device(::open(localName(path).constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!device || ::fsync(device.get()) < 0)
        return fileFailure(path, errno);
    ::posix_fadvise(device.get(), 0, 0, POSIX_FADV_DONTNEED);
    ::ioctl(device.get(), FDFLUSH, 0); // floppy drives only
    return {};
}
