#pragma once

#include "drivemedium.h"

class UDisks;

// Drive A as a floppy drive that UDisks2 knows: the machine's own, or the block device
// that the user named.
class FloppyMedium : public DriveAMedium {
public:
    // device: empty for the machine's floppy drive. udisks must outlive what is made here.
    FloppyMedium(UDisks &udisks, QString device) : udisks(udisks), device(std::move(device)) {}

    std::unique_ptr<DriveA> driveForRun() const override;
    std::unique_ptr<DriveAFormat> driveForFormat(const ImageMade &) const override;
    QString description() const override;
    QString describeRun(const QList<RunGroup> &groups) const override;

private:
    UDisks &udisks;
    QString device;
};
