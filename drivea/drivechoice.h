#pragma once

#include "drivemedium.h"

#include <QMutex>
#include <QString>

#include <memory>

class UDisks;

// Which drive A is: the path the user gave (on the command line, else in DUPLIVA_DRIVE_A),
// else the machine's floppy drive as UDisks2 shows it. A folder is drive A as it is; a
// floppy image file, or a name ending in .img or .ima that does not exist yet, is an
// image; a block device is that drive. It is looked up afresh each time it is asked for,
// so that a drive plugged in after start-up is found.
class DriveAChoice {
public:
    DriveAChoice(const QString &givenPath, UDisks &udisks);

    // The path of drive A, absolute; empty for the machine's floppy drive.
    QString path() const;

    // Drive A for one copy run.
    std::unique_ptr<DriveA> driveForRun() const;

    // Drive A for "Format A:\".
    std::unique_ptr<DriveAFormat> driveForFormat();

    // What drive A is now, for a tooltip: "floppy image DSKA0003.IMG, 1.44 MB, 0 KB free".
    // Never spins a floppy drive whose disk is not mounted.
    QString description() const;

    // How a run of groups would fill disks of drive A's kind, for a tooltip: "This run:
    // 60 styles in 20 groups, 3.3 MB, about 6 disks; groups 01–04 fit on this one." Empty
    // for a folder, and for a floppy drive whose disk is not mounted.
    QString describeRun(const QList<RunGroup> &groups) const;

private:
    std::unique_ptr<DriveAMedium> medium() const;
    // From now on drive A is this floppy image, the one that "Next image" made.
    void useImage(const QString &path);

    mutable QMutex pathGuard; // the path changes on a worker thread after "Next image"
    QString givenPath;
    UDisks &udisks;
};

// The drive A that a copy run writes to, chosen anew at the start of every run.
class ChosenDriveA : public DriveA {
public:
    explicit ChosenDriveA(const DriveAChoice &choice) : choice(choice) {}

    void BeginRun(const QStringList &sources) override;
    CopyOutcome CheckGroupsFit(const QList<RunGroup> &groups) override;
    CopyOutcome BeginGroup(const RunGroup &group) override;
    CopyOutcome FileCopy(const QString &sourcePath, const QString &name) override;
    CopyOutcome Flush() override;
    int groupsHeldBack() const override;
    CopyOutcome FinishRun() override;
    DiskId diskInDrive() const override;
    void checksumReadBacks() override { current().checksumReadBacks(); }
    CopyReadBack readBackOf(const QString &source) const override;
    void EndRun() override;

private:
    DriveA &current();

    const DriveAChoice &choice;
    std::unique_ptr<DriveA> drive;
};
