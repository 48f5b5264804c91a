#pragma once

#include "drivea.h"

#include <QList>

// Drive A as a floppy image file, such as a floppy emulator reads from a USB stick:
// "a:" followed by a name is that name in the root of the image, written through mtools.
// An image that is missing is a drive that is not ready.
class ImageDriveA : public DriveA {
public:
    // A floppy drive's block device in place of an image file is written the same way.
    enum class Medium { ImageFile, BlockDevice };

    explicit ImageDriveA(const QString &imagePath, Medium medium = Medium::ImageFile);

    void BeginRun() override;
    CopyOutcome FileCopy(const QString &sourcePath, const QString &destination) override;
    CopyOutcome Flush() override;
    void EndRun() override;

    QString image() const { return imagePath; }

private:
    struct Written {
        QString source;
        QString name; // as written on the image
    };

    CopyOutcome checkImage() const;
    CopyOutcome copy(const QString &sourcePath, const QString &name);
    CopyOutcome syncImage() const;
    CopyOutcome readBack(const Written &file) const;
    void removeFile(const QString &name) const;

    QString imagePath;
    Medium medium;
    // Copied since the last flush, and so not yet read back.
    QList<Written> unverified;
};
