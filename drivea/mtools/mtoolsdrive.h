#pragma once

#include "diskplan.h"
#include "drivea.h"
#include "drivealock.h"
#include "mtools.h"
#include "privatefolder.h"

#include <QHash>
#include <QList>

#include <optional>

// Drive A reached through mtools, a floppy image or a floppy drive's block device: a name
// on drive A is that name in the root of its FAT disk. A copy is only noted; the
// flush decides whether the whole group fits, before anything of it is written, and then
// writes it with one mcopy. What the disk reads back is read through a pipe, so that a full
// temporary folder is never taken for a fault of drive A.
class MtoolsDriveA : public DriveA {
public:
    explicit MtoolsDriveA(const QString &path);

    void BeginRun(const QStringList &sources) override;
    CopyOutcome CheckGroupsFit(const QList<RunGroup> &groups) override;
    CopyOutcome BeginGroup(const RunGroup &group) override;
    CopyOutcome FileCopy(const QString &sourcePath, const QString &name) override;
    CopyOutcome Flush() override;
    void checksumReadBacks() override { checksummed = true; }
    CopyReadBack readBackOf(const QString &source) const override { return readBacks.value(source); }
    void EndRun() override;

protected:
    struct Copy {
        QString source;
        QString name; // as written on the disk
    };

    // Whether the image or the device can be written at all.
    virtual CopyOutcome checkDrive() const = 0;
    // Once a run, before its first group: the lock, and what a killed run left.
    virtual CopyOutcome openDrive() = 0;
    // Whether drive A still holds the disk that the run started on; asked before each group
    // is written, and at the run's end.
    virtual CopyOutcome checkSameDisk() = 0;
    // Where the group fits, with what writing it takes on the disk besides its files.
    virtual GroupFit fitOnDisk(const QList<Copy> &) const { return room ? groupFit(*room, group) : GroupFit::Beside; }
    // Writes the group, which fits as fit says.
    virtual CopyOutcome writeGroup(const QList<Copy> &files, GroupFit fit) = 0;

    // The group's sources, linked under their names on the disk in a private folder of the
    // temporary folder, for mcopy to read; failure tells why they could not all be.
    struct SourceLinks {
        explicit SourceLinks(const QList<Copy> &files);

        PrivateFolder folder;
        QStringList paths;
        QString lastSource;
        CopyOutcome failure;
    };
    // One mcopy of the linked sources into folder ("::" or "::~D3KA") of the image or device at target.
    CopyOutcome write(const QString &target, const QString &folder, const SourceLinks &links, int lockHeld) const;
    CopyOutcome write(const QString &target, const QString &folder, const QList<Copy> &files, int lockHeld) const;
    // The files as read back against their sources; the first that differs fails.
    CopyOutcome compare(const QHash<QString, QByteArray> &read, const QList<Copy> &files);
    // Drive A holds another disk than the one whose root directory was started.
    CopyOutcome otherDisk(const RootListing &now) const;

    QString path;
    DriveALock lock;
    bool opened = false;
    RunGroup group; // being written
    RootListing root; // of the disk in drive A when the run or the group started
    std::optional<DiskRoom> room; // what the groups written so far have left

private:
    CopyOutcome open();
    CopyOutcome refuseChangedNames(const QList<Copy> &files) const;
    CopyOutcome refuseNamesTaken(const QList<Copy> &files) const;

    QList<Copy> queued; // asked for since the last flush
    bool checksummed = false;
    QHash<QString, CopyReadBack> readBacks; // by source, in this run, when checksummed
};

// A failure to reach a file of drive A, such as the image.
CopyOutcome fileFailure(const QString &path, int error);
