#pragma once

#include <QString>

// Which kind of drive A a disk was in.
enum class DriveKind { Folder = 0, Image = 1, FloppyDevice = 2, MountedFloppy = 3 };

// A disk as drive A showed it. A disk is known by its serial number and, for an image or
// a folder, its path; a disk without a serial number by its label as well.
struct DiskId {
    QString serial; // "1A2B-3C4D"; empty for a disk without one
    QString label;
    DriveKind kind = DriveKind::Folder;
    QString place; // the image file or the folder; empty for a floppy disk
};

// Whether a and b are the same disk, as the catalogue tells disks apart.
inline bool sameDisk(const DiskId &a, const DiskId &b)
{
    return a.serial == b.serial && a.place == b.place && (!a.serial.isEmpty() || a.label == b.label);
}
