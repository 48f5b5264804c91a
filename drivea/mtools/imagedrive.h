#pragma once

#include "mtoolsdrive.h"
#include "stylecopy.h"

#include <QElapsedTimer>

#include <sys/types.h>

// Drive A as a floppy image file, such as a floppy emulator reads from a USB stick. The
// groups are written with mtools into a copy of the image beside it, which is read back
// and renamed over the image: the image is always either as it was or holds whole groups,
// whenever the program ends. Groups that finish close together share one copy, so that a
// run writes the image to its medium about once and not once per group.
class ImageDriveA : public MtoolsDriveA {
public:
    explicit ImageDriveA(const QString &imagePath);
    ~ImageDriveA() override;

    int groupsHeldBack() const override { return int(held.size()) + lost; }
    CopyOutcome BeginGroup(const RunGroup &group) override;
    CopyOutcome FinishRun() override;
    DiskId diskInDrive() const override { return {root.serial, root.label, DriveKind::Image, path}; }
    void EndRun() override;

private:
    CopyOutcome checkDrive() const override;
    CopyOutcome openDrive() override;
    CopyOutcome checkSameDisk() override;
    CopyOutcome writeGroup(const QList<Copy> &files, GroupFit fit) override;

    CopyOutcome findImageFile();
    CopyOutcome makeCopy();
    CopyOutcome writeHeldGroups();
    CopyOutcome commit();
    Result<qsizetype> verifyCopy();
    CopyOutcome replaceImage();
    void discardCopy();

    QString imageFile; // the image itself, once the run has locked it
    QString copyPath; // where the groups held back are written
    FileDescriptor copy;
    bool copyHoldsPart = false; // a group failed half written into it
    QList<QList<Copy>> held; // written into the copy, not yet on the image
    int lost = 0; // groups of the run that were written and could not be put on the image
    QElapsedTimer sinceCommit;
    qint64 lastCommitMs = 0;
};
