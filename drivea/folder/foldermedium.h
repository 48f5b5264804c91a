#pragma once

#include "drivemedium.h"

// Drive A as an ordinary folder, which fills no disks and cannot be formatted.
class FolderMedium : public DriveAMedium {
public:
    explicit FolderMedium(QString folder) : folder(std::move(folder)) {}

    std::unique_ptr<DriveA> driveForRun() const override;
    std::unique_ptr<DriveAFormat> driveForFormat(const ImageMade &) const override;
    QString description() const override;
    QString describeRun(const QList<RunGroup> &) const override { return {}; }

private:
    QString folder;
};
