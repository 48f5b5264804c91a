#pragma once

#include "diskplan.h"
#include "drivea.h"
#include "floppies.h"

#include <memory>

// Drive A as a floppy disk in a drive that UDisks2 knows. At the first copy of a run
// the disk is mounted, unless the desktop has mounted it already, and the styles go
// into its mount point. The disk stays mounted after the run, as the desktop expects.
// A disk that UDisks2 cannot look into, as in an internal drive, is written through
// mtools on the block device instead, as an image is.
class FloppyDriveA : public DriveA {
public:
    // device: the block device the user named ("/dev/fd0", "/dev/sdb"), or empty for
    // the machine's floppy drive. udisks must outlive the drive.
    explicit FloppyDriveA(UDisks &udisks, const QString &device = {});

    void BeginRun(const QStringList &sources) override;
    CopyOutcome CheckGroupsFit(const QList<RunGroup> &groups) override;
    CopyOutcome BeginGroup(const RunGroup &group) override;
    CopyOutcome FileCopy(const QString &sourcePath, const QString &name) override;
    CopyOutcome Flush() override;
    int groupsHeldBack() const override;
    CopyOutcome FinishRun() override;
    DiskId diskInDrive() const override;
    void checksumReadBacks() override;
    CopyReadBack readBackOf(const QString &source) const override;
    void EndRun() override;

    // Where the disk is mounted in this run; empty until the first copy has mounted it.
    QString mountPoint() const;

private:
    CopyOutcome openDisk();
    void beginDiskRun();
    CopyOutcome openFloppy(UDisksFloppy floppy);
    void letGo();

    UDisks &udisks;
    QString device;
    QStringList runSources;
    bool checksummed = false;
    std::unique_ptr<DriveA> disk;
    QString mountedAt;
};

// What the floppy drive is, for the text after "Drive A: ": "USB floppy drive,
// /media/USER/STYLES, 1.44 MB, 312 KB free", "no disk in the floppy drive", "no floppy
// drive found", "internal floppy drive, /dev/fd0, written without mounting". device as
// for FloppyDriveA. It neither mounts nor spins the drive.
QString describeFloppyDrive(UDisks &udisks, const QString &device = {});

// The room on the disk in the floppy drive, if it is mounted; nothing otherwise, since
// asking would spin the drive. device as for FloppyDriveA.
std::optional<DiskRoom> mountedFloppyRoom(UDisks &udisks, const QString &device = {});

// Erases the disk in the floppy drive and gives it an empty FAT file system named label:
// unmounts it, formats it and mounts it again; a disk that UDisks2 cannot look into is
// formatted through mtools on the block device, with the disk's size. The label must
// already suit FAT.
CopyOutcome formatFloppyDisk(UDisks &udisks, const QString &device, const QString &label);
