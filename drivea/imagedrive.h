#pragma once

#include "drivea.h"
#include "drivealock.h"

#include <QList>
#include <QSet>

#include <optional>

class QTemporaryDir;

// Drive A as a floppy image file, such as a floppy emulator reads from a USB stick:
// "a:" followed by a name is that name in the root of the image, written through mtools.
// An image that is missing is a drive that is not ready. A copy is only noted; the flush
// writes the whole group with one mcopy and reads it back with another.
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

    QString image() const { return imagePath; }

private:
    struct Copy {
        QString source;
        QString name; // as written on the image
    };

    static QList<Copy> lastCopies(const QList<Copy> &copies);
    CopyOutcome checkImage() const;
    CopyOutcome refuseChangedNames(const QList<Copy> &files) const;
    CopyOutcome refuseNonFiles(const QList<Copy> &files);
    CopyOutcome write(const QList<Copy> &files) const;
    CopyOutcome syncImage() const;
    CopyOutcome readBack(const QList<Copy> &files) const;
    void removeFiles(const QList<Copy> &files) const;

    QString imagePath;
    Medium medium;
    DriveALock lock;
    // Asked for since the last flush.
    QList<Copy> queued;
    // The names of the folders and the volume label on the image, case-folded.
    std::optional<QSet<QString>> namesOfNonFiles;
};
