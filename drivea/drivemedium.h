#pragma once

#include "drivea.h"
#include "driveaformat.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

// One kind of drive A where the choice found it: a folder, a floppy image, or a floppy
// drive. Each kind is written once, in its own folder.
class DriveAMedium {
public:
    // Told of the blank image that "Next image" made: drive A from then on.
    using ImageMade = std::function<void(const QString &image)>;

    virtual ~DriveAMedium() = default;

    virtual std::unique_ptr<DriveA> driveForRun() const = 0;
    virtual std::unique_ptr<DriveAFormat> driveForFormat(const ImageMade &imageMade) const = 0;

    // What drive A is now, for a tooltip. Never spins a floppy drive.
    virtual QString description() const = 0;

    // How a run of groups would fill disks of this kind, for a tooltip; empty where that
    // cannot be told without spinning a floppy drive, or where no disks are filled.
    virtual QString describeRun(const QList<RunGroup> &groups) const = 0;
};
