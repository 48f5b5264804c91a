#pragma once

#include "drivea.h"

// A floppy drive's block device that is written through mtools, as an image is, because
// UDisks2 cannot look into it: Debian's udev rules never probe an internal drive (fd*).

struct FloppyDevice {
    CopyOutcome state; // why the disk in it cannot be written; ok() if it can
    qint64 size = 0; // the disk's size in bytes
};

// Opens the device for writing, as mtools will, and tells what stands in the way: no disk
// (DriveNotReady), a write-protected disk, a user outside the device's group, or a medium
// larger than a floppy. Reads nothing from the disk.
FloppyDevice examineFloppyDevice(const QString &device);
