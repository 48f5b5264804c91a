#include "floppies.h"

#include <algorithm>

namespace {

// "floppy_ls120" drives read ordinary floppies too; Zip and Jaz drives do not.
bool isFloppyMedium(const QString &medium)
{
    return medium == QLatin1String("floppy") || medium == QLatin1String("floppy_ls120");
}

bool isMemoryStickOrDisc(const QString &medium)
{
    return medium.startsWith(QLatin1String("flash")) || medium == QLatin1String("thumb")
        || medium.startsWith(QLatin1String("optical"));
}

QList<UDisksBlock> blocksOf(const UDisksDrive &drive, const UDisksMachine &machine)
{
    QList<UDisksBlock> blocks;
    std::copy_if(machine.blocks.cbegin(), machine.blocks.cend(), std::back_inserter(blocks),
                 [&](const UDisksBlock &block) { return block.drive == drive.path && !block.hintIgnore; });
    std::sort(blocks.begin(), blocks.end(),
              [](const UDisksBlock &a, const UDisksBlock &b) { return a.device < b.device; });
    return blocks;
}

qint64 wholeDiskSize(const QList<UDisksBlock> &blocks)
{
    const auto whole = std::find_if(blocks.cbegin(), blocks.cend(), [](const UDisksBlock &block) { return !block.isPartition; });
    return whole == blocks.cend() ? 0 : whole->size;
}

// The block with the disk's file system, or the whole disk when none is known yet.
std::optional<UDisksBlock> diskBlock(const QList<UDisksBlock> &blocks)
{
    const auto withFilesystem = std::find_if(blocks.cbegin(), blocks.cend(), [](const UDisksBlock &block) { return block.hasFilesystem; });
    if (withFilesystem != blocks.cend())
        return *withFilesystem;
    const auto whole = std::find_if(blocks.cbegin(), blocks.cend(), [](const UDisksBlock &block) { return !block.isPartition; });
    if (whole != blocks.cend())
        return *whole;
    return std::nullopt;
}

std::optional<UDisksDrive> driveAt(const QString &path, const UDisksMachine &machine)
{
    const auto drive = std::find_if(machine.drives.cbegin(), machine.drives.cend(),
                                    [&](const UDisksDrive &drive) { return drive.path == path; });
    return drive == machine.drives.cend() ? std::nullopt : std::optional(*drive);
}

} // namespace

bool isFloppyDrive(const UDisksDrive &drive, const UDisksMachine &machine)
{
    if (isMemoryStickOrDisc(drive.media) || std::any_of(drive.mediaCompatibility.cbegin(), drive.mediaCompatibility.cend(), isMemoryStickOrDisc))
        return false;
    if (std::any_of(drive.mediaCompatibility.cbegin(), drive.mediaCompatibility.cend(), isFloppyMedium))
        return true;
    const qint64 size = wholeDiskSize(blocksOf(drive, machine));
    return drive.mediaRemovable && size > 0 && size <= largestFloppy;
}

QList<UDisksFloppy> floppyDrives(const UDisksMachine &machine)
{
    QList<UDisksFloppy> floppies;
    for (const UDisksDrive &drive : machine.drives) {
        if (!isFloppyDrive(drive, machine))
            continue;
        if (const std::optional<UDisksBlock> block = diskBlock(blocksOf(drive, machine)))
            floppies.append({drive, *block});
    }
    std::stable_sort(floppies.begin(), floppies.end(), [](const UDisksFloppy &a, const UDisksFloppy &b) {
        return std::pair(!a.mounted(), a.block.device) < std::pair(!b.mounted(), b.block.device);
    });
    return floppies;
}

std::optional<UDisksFloppy> namedBlockDevice(const UDisksMachine &machine, const QString &device)
{
    const auto named = std::find_if(machine.blocks.cbegin(), machine.blocks.cend(), [&](const UDisksBlock &block) {
        return !device.isEmpty() && !block.hintIgnore && (block.device == device || block.symlinks.contains(device));
    });
    if (named == machine.blocks.cend())
        return std::nullopt;
    const std::optional<UDisksDrive> drive = driveAt(named->drive, machine);
    if (!drive || named->hasFilesystem || named->isPartition)
        return UDisksFloppy{drive.value_or(UDisksDrive{}), *named};
    // A whole disk named by the user whose file system is on a partition.
    return UDisksFloppy{*drive, diskBlock(blocksOf(*drive, machine)).value_or(*named)};
}
