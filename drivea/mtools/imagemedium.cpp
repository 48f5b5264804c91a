#include "imagemedium.h"

#include "drivealock.h"
#include "floppysizes.h"
#include "imagedrive.h"
#include "imageformat.h"
#include "mtools.h"

#include <QFileInfo>

#include <cerrno>

namespace {

QString describeImage(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const ImageFile image = examineImage(path);
    if (image.error)
        return driveText("floppy image %1, not made yet (\"Format A:\\\" makes it)").arg(name);
    if (!image.usable())
        return driveText("floppy image %1, %2").arg(name, image.whyNot);
    const Result<RootListing> root = listRoot(path);
    const qint64 freeBytes = root.value.freeBytes;
    if (!root.ok())
        return driveText("floppy image %1, %2").arg(name, root.failure.reason);
    if (freeBytes < 0)
        return driveText("floppy image %1, %2").arg(name, driveText("mdir did not tell the free space on %1").arg(path));
    return driveText("floppy image %1, %2, %3").arg(name, capacityText(image.size), freeText(freeBytes));
}

// Erased with its own size, or followed by the next numbered one.
class ImageFormat : public DriveAFormat {
public:
    ImageFormat(QString path, DriveAMedium::ImageMade imageMade)
        : path(std::move(path))
        , imageMade(std::move(imageMade))
    {
    }

    QString description() const override { return describeImage(path); }

    QString whyNotPossible() const override
    {
        const ImageFile image = examineImage(path);
        if (image.error || isFloppySize(image.size))
            return {};
        return driveText("%1 holds %2, not a floppy's size: it may be a hard-disk image, so it is not "
                         "formatted here.")
            .arg(path, capacityText(image.size));
    }

    QString nextImageName() const override { return QFileInfo(nextImagePath(path)).fileName(); }

    QString whyNoNextImage() const override
    {
        const QString base = QFileInfo(path).completeBaseName();
        if (base.isEmpty() || !base.back().isDigit() || !nextImageName().isEmpty())
            return {};
        return driveText("No next image: no free number of the same width follows %1").arg(QFileInfo(path).fileName());
    }

    CopyOutcome erase(const QString &label) override
    {
        // An image that does not exist yet is made afresh, never over another file.
        DriveALock lock;
        if (examineImage(path).error != ENOENT) {
            if (CopyOutcome locked = lock.take(path); !locked.ok())
                return locked;
        }
        return formatImage(path, label).failure;
    }

    CopyOutcome createNextImage(const QString &label) override
    {
        const Result<QString> made = ::createNextImage(path, label);
        if (made.ok()) {
            path = made.value;
            imageMade(path);
        }
        return made.failure;
    }

private:
    QString path;
    DriveAMedium::ImageMade imageMade;
};

class ImageMedium : public DriveAMedium {
public:
    explicit ImageMedium(QString image) : image(std::move(image)) {}

    std::unique_ptr<DriveA> driveForRun() const override { return std::make_unique<ImageDriveA>(image); }

    std::unique_ptr<DriveAFormat> driveForFormat(const ImageMade &imageMade) const override
    {
        return std::make_unique<ImageFormat>(image, imageMade);
    }

    QString description() const override { return describeImage(image); }

    QString describeRun(const QList<RunGroup> &groups) const override
    {
        const std::optional<DiskRoom> room = examineImage(image).usable() ? diskRoomThroughMtools(image).room : std::nullopt;
        return room ? describePlan(planDisks(*room, groups)) : QString();
    }

private:
    QString image;
};

} // namespace

std::unique_ptr<DriveAMedium> imageMedium(const QString &image)
{
    return std::make_unique<ImageMedium>(image);
}
