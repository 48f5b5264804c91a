#pragma once

#include "floppysizes.h"
#include "udisks.h"

// Which of the machine's drives are floppy drives, from what UDisks2 shows alone.

// A drive with the block device that holds, or will hold, its disk's file system.
struct UDisksFloppy {
    UDisksDrive drive;
    UDisksBlock block;

    bool mounted() const { return !block.mountPoints.isEmpty(); }
    // UDisks2 knows the disk's file system. It never looks into an internal drive.
    bool seenInto() const { return block.hasFilesystem || mounted(); }
    bool internal() const { return drive.connectionBus.isEmpty(); }
};

// A drive that takes floppy disks, or a drive whose removable medium is no larger than
// a floppy; never one for memory cards, USB sticks or optical discs, nor a fixed disk.
// UDisks2 gives a tagged floppy drive size 0 and a medium whether or not it holds a
// disk, so neither of those decides anything.
bool isFloppyDrive(const UDisksDrive &drive, const UDisksMachine &machine);

// The machine's floppy drives: those whose disk is mounted first, then in the order of
// their device names. A block device that the system hides (HintIgnore) is none of them.
QList<UDisksFloppy> floppyDrives(const UDisksMachine &machine);

// The block device that the user named ("/dev/fd0", "/dev/sdb" or one of its links in
// /dev/disk), with its drive when it has one.
std::optional<UDisksFloppy> namedBlockDevice(const UDisksMachine &machine, const QString &device);
