#pragma once

#include "mtoolsdrive.h"

// Drive A as a floppy drive's block device, written through mtools without mounting, as
// the internal drive is. A device cannot be renamed as an image is: each group is written
// into a folder of its own on the disk, read back from the disk itself, and then moved over
// its targets with one mmove, so that each name holds its old style or the whole new one.
// A killed run leaves that folder, which the next run removes.
class DeviceDriveA : public MtoolsDriveA {
public:
    explicit DeviceDriveA(const QString &device);

    CopyOutcome FinishRun() override;
    DiskId diskInDrive() const override { return {root.serial, root.label, DriveKind::FloppyDevice, {}}; }

private:
    CopyOutcome checkDrive() const override;
    CopyOutcome openDrive() override;
    CopyOutcome checkSameDisk() override;
    GroupFit fitOnDisk(const QList<Copy> &files) const override;
    CopyOutcome writeGroup(const QList<Copy> &files, GroupFit fit) override;

    CopyOutcome run(const QString &program, const QStringList &arguments) const;
    QString unusedFolderName() const;
    CopyOutcome removeOldCopies(const QList<Copy> &files) const;
    CopyOutcome writeAndMove(const QString &folder, const QList<Copy> &files, const SourceLinks &links);
    CopyOutcome flushDevice() const;
    bool removeFolder(const QString &folder) const;

    RootListing startedOn;
};
