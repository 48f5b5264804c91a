#pragma once

#include "drivemedium.h"

// Drive A as a floppy image file, also one that "Format A:\" is still to make.
class ImageMedium : public DriveAMedium {
public:
    explicit ImageMedium(QString image) : image(std::move(image)) {}

    std::unique_ptr<DriveA> driveForRun() const override;
    std::unique_ptr<DriveAFormat> driveForFormat(const ImageMade &imageMade) const override;
    QString description() const override;
    QString describeRun(const QList<RunGroup> &groups) const override;

private:
    QString image;
};
