#include "drivechoice.h"

#include "localname.h"
#include "diskplan.h"
#include "drivealock.h"
#include "fatname.h"
#include "floppies.h"
#include "floppydrive.h"
#include "folderdrive.h"
#include "imagedrive.h"
#include "imageformat.h"
#include "mtools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include <sys/stat.h>

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool hasImageName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("img"), Qt::CaseInsensitive) == 0
        || suffix.compare(QLatin1String("ima"), Qt::CaseInsensitive) == 0;
}

QString describeFolder(const QString &path)
{
    const QString shown = driveText("the folder %1").arg(native(path));
    return QFileInfo(path).isDir() ? shown : shown + driveText(", which does not exist");
}

QString describeImage(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const ImageFile image = examineImage(path);
    if (image.error)
        return driveText("floppy image %1, not made yet (\"Format A:\\\" makes it)").arg(name);
    if (!image.usable())
        return driveText("floppy image %1, %2").arg(name, image.whyNot);
    CopyOutcome failure;
    const qint64 freeBytes = listRoot(path, &failure).freeBytes;
    if (!failure.ok())
        return driveText("floppy image %1, %2").arg(name, failure.reason);
    if (freeBytes < 0)
        return driveText("floppy image %1, %2").arg(name, driveText("mdir did not tell the free space on %1").arg(path));
    return driveText("floppy image %1, %2, %3").arg(name, capacityText(image.size), freeText(freeBytes));
}

// A floppy image: erased with its own size, or followed by the next numbered one.
class ImageFormat : public DriveAFormat {
public:
    ImageFormat(DriveAChoice &choice, QString path)
        : choice(choice)
        , path(std::move(path))
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
            .arg(native(path), capacityText(image.size));
    }

    QString nextImageName() const override { return QFileInfo(nextImagePath(path)).fileName(); }

    QString whyNoNextImage() const override
    {
        const QString base = QFileInfo(path).completeBaseName();
        if (base.isEmpty() || !base.back().isDigit() || !nextImageName().isEmpty())
            return {};
        return driveText("No next image: no free number of the same width follows %1").arg(QFileInfo(path).fileName());
    }

    QString erase(const QString &label) override
    {
        // An image that does not exist yet is made afresh, never over another file.
        DriveALock lock;
        if (examineImage(path).error != ENOENT) {
            if (const QString why = lock.take(path); !why.isEmpty())
                return why;
        }
        return formatImage(path, label).reason;
    }

    QString createNextImage(const QString &label) override
    {
        const FormatOutcome outcome = ::createNextImage(path, label);
        if (!outcome.ok())
            return outcome.reason;
        path = outcome.image;
        choice.useImage(path);
        return {};
    }

private:
    DriveAChoice &choice;
    QString path;
};

// A floppy drive that UDisks2 knows: the machine's own, or the block device the user named.
class FloppyFormat : public DriveAFormat {
public:
    FloppyFormat(UDisks &udisks, QString device)
        : udisks(udisks)
        , device(std::move(device))
    {
    }

    QString description() const override { return describeFloppyDrive(udisks, device); }

    QString whyNotPossible() const override
    {
        const std::optional<UDisksMachine> machine = udisks.machine();
        if (!machine || (device.isEmpty() && floppyDrives(*machine).isEmpty()))
            return driveText("No floppy drive was found, so there is nothing to format.");
        if (device.isEmpty())
            return {};
        const std::optional<UDisksFloppy> named = namedBlockDevice(*machine, device);
        if (!named)
            return driveText("The system does not know the drive %1.").arg(device);
        if (named->block.size > largestFloppy)
            return driveText("%1 holds %2, more than a floppy disk, so it is not formatted here.")
                .arg(device, capacityText(named->block.size));
        return {};
    }

    QString erase(const QString &label) override { return formatFloppyDisk(udisks, device, volumeLabel(label)); }

private:
    UDisks &udisks;
    QString device;
};

} // namespace

DriveAChoice::DriveAChoice(const QString &givenPath, UDisks &udisks)
    : givenPath(givenPath.isEmpty() ? QString() : QFileInfo(givenPath).absoluteFilePath())
    , udisks(udisks)
{
}

void DriveAChoice::useImage(const QString &path)
{
    const QMutexLocker lock(&pathGuard);
    givenPath = path;
}

DriveAChoice::Kind DriveAChoice::kind(QString *path) const
{
    {
        const QMutexLocker lock(&pathGuard);
        *path = givenPath;
    }
    if (path->isEmpty())
        return Kind::FloppyDrive;
    struct stat info {};
    if (::stat(localName(*path).constData(), &info) != 0)
        return hasImageName(*path) ? Kind::Image : Kind::Folder;
    if (S_ISBLK(info.st_mode))
        return Kind::BlockDevice;
    if (S_ISREG(info.st_mode))
        return Kind::Image;
    return Kind::Folder;
}

std::unique_ptr<DriveA> DriveAChoice::driveForRun() const
{
    QString path;
    switch (kind(&path)) {
    case Kind::Folder:
        return std::make_unique<FolderDriveA>(path);
    case Kind::Image:
        return std::make_unique<ImageDriveA>(path);
    case Kind::BlockDevice:
    case Kind::FloppyDrive:
        break;
    }
    return std::make_unique<FloppyDriveA>(udisks, path);
}

std::unique_ptr<DriveAFormat> DriveAChoice::driveForFormat()
{
    QString path;
    switch (kind(&path)) {
    case Kind::Folder:
        return std::make_unique<UnformattableDriveA>(
            describeFolder(path), driveText("Drive A is the folder %1 on this computer, not a floppy disk. A folder "
                                                 "cannot be formatted. To make room for new styles, delete files from "
                                                 "the folder with the file manager.")
                                      .arg(native(path)));
    case Kind::Image:
        return std::make_unique<ImageFormat>(*this, path);
    case Kind::BlockDevice:
    case Kind::FloppyDrive:
        break;
    }
    return std::make_unique<FloppyFormat>(udisks, path);
}

QString DriveAChoice::description() const
{
    QString path;
    switch (kind(&path)) {
    case Kind::Folder:
        return describeFolder(path);
    case Kind::Image:
        return describeImage(path);
    case Kind::BlockDevice:
    case Kind::FloppyDrive:
        break;
    }
    return describeFloppyDrive(udisks, path);
}

QString DriveAChoice::describeRun(const QList<RunGroup> &groups) const
{
    QString path;
    std::optional<DiskRoom> room;
    switch (kind(&path)) {
    case Kind::Folder:
        break;
    case Kind::Image:
        if (examineImage(path).usable())
            room = diskRoomThroughMtools(path);
        break;
    case Kind::BlockDevice:
    case Kind::FloppyDrive:
        room = mountedFloppyRoom(udisks, path);
        break;
    }
    return room ? describePlan(planDisks(*room, groups)) : QString();
}

void ChosenDriveA::BeginRun(const QStringList &sources)
{
    drive = choice.driveForRun();
    drive->BeginRun(sources);
}

DriveA &ChosenDriveA::current()
{
    if (!drive)
        drive = choice.driveForRun();
    return *drive;
}

CopyOutcome ChosenDriveA::CheckGroupsFit(const QList<RunGroup> &groups)
{
    return current().CheckGroupsFit(groups);
}

CopyOutcome ChosenDriveA::BeginGroup(const RunGroup &group)
{
    return current().BeginGroup(group);
}

CopyOutcome ChosenDriveA::FileCopy(const QString &sourcePath, const QString &destination)
{
    return current().FileCopy(sourcePath, destination);
}

CopyOutcome ChosenDriveA::Flush()
{
    return current().Flush();
}

void ChosenDriveA::EndRun()
{
    if (drive)
        drive->EndRun();
    drive.reset();
}
