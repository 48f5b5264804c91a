#pragma once

#include "drivea.h"
#include "drivealock.h"

#include <QList>

// Drive A as a floppy image file, such as a floppy emulator reads from a USB stick:
// "a:" followed by a name is that name in the root of the image, written through mtools.
// An image that is missing is a drive that is not ready. A copy is only noted; the flush
// writes the whole group with one mcopy into a copy of the image beside it, reads it back
// with another and renames the copy over the image, so that the image is always either
// as it was or holds the whole group, whenever the program ends.
class ImageDriveA : public DriveA {
public:
    // A floppy drive's block device in place of an image file is written the same way.
    enum class Medium { ImageFile, BlockDevice };

    explicit ImageDriveA(const QString &imagePath, Medium medium = Medium::ImageFile);

    void BeginRun(const QStringList &sources) override;
    CopyOutcome CheckGroupsFit(const QList<RunGroup> &groups) override;
    CopyOutcome FileCopy(const QString &sourcePath, const QString &destination) override;
    CopyOutcome Flush() override;
    void EndRun() override;

private:
    struct Copy {
        QString source;
        QString name; // as written on the image
    };

    CopyOutcome checkImage() const;
    CopyOutcome takeDrive();
    CopyOutcome findImageFile();
    CopyOutcome refuseChangedNames(const QList<Copy> &files) const;
    CopyOutcome refuseNamesTaken(const QList<Copy> &files) const;
    CopyOutcome writeBeside(const QList<Copy> &files);
    CopyOutcome writeInPlace(const QList<Copy> &files) const;
    CopyOutcome write(const QString &target, const QList<Copy> &files, int lockHeld) const;
    CopyOutcome readBack(const QString &target, const QList<Copy> &files) const;
    CopyOutcome replaceImage(const QString &copy, int copyFd);
    void removeFiles(const QList<Copy> &files) const;

    QString imagePath;
    QString imageFile; // the image itself, once the run has locked it
    Medium medium;
    DriveALock lock;
    // Asked for since the last flush.
    QList<Copy> queued;
};
