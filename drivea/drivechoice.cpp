#include "drivechoice.h"

#include "floppymedium.h"
#include "foldermedium.h"
#include "imagemedium.h"
#include "localname.h"

#include <QFileInfo>
#include <QMutexLocker>

#include <sys/stat.h>

namespace {

bool hasImageName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("img"), Qt::CaseInsensitive) == 0
        || suffix.compare(QLatin1String("ima"), Qt::CaseInsensitive) == 0;
}

} // namespace

DriveAChoice::DriveAChoice(const QString &givenPath, UDisks &udisks)
    : givenPath(givenPath.isEmpty() ? QString() : absolutePath(givenPath))
    , udisks(udisks)
{
}

void DriveAChoice::useImage(const QString &path)
{
    const QMutexLocker lock(&pathGuard);
    givenPath = path;
}

QString DriveAChoice::path() const
{
    const QMutexLocker lock(&pathGuard);
    return givenPath;
}

std::unique_ptr<DriveAMedium> DriveAChoice::medium() const
{
    const QString path = this->path();
    struct stat info {};
    const bool found = !path.isEmpty() && ::stat(localName(path).constData(), &info) == 0;
    if (path.isEmpty() || (found && S_ISBLK(info.st_mode)))
        return floppyMedium(udisks, path);
    if (found ? S_ISREG(info.st_mode) : hasImageName(path))
        return imageMedium(path);
    return folderMedium(path);
}

std::unique_ptr<DriveA> DriveAChoice::driveForRun() const
{
    return medium()->driveForRun();
}

std::unique_ptr<DriveAFormat> DriveAChoice::driveForFormat()
{
    return medium()->driveForFormat([this](const QString &image) { useImage(image); });
}

QString DriveAChoice::description() const
{
    return medium()->description();
}

QString DriveAChoice::describeRun(const QList<RunGroup> &groups) const
{
    return medium()->describeRun(groups);
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

CopyOutcome ChosenDriveA::FileCopy(const QString &sourcePath, const QString &name)
{
    return current().FileCopy(sourcePath, name);
}

CopyOutcome ChosenDriveA::Flush()
{
    return current().Flush();
}

int ChosenDriveA::groupsHeldBack() const
{
    return drive ? drive->groupsHeldBack() : 0;
}

CopyOutcome ChosenDriveA::FinishRun()
{
    return current().FinishRun();
}

DiskId ChosenDriveA::diskInDrive() const
{
    return drive ? drive->diskInDrive() : DiskId{};
}

CopyReadBack ChosenDriveA::readBackOf(const QString &source) const
{
    return drive ? drive->readBackOf(source) : CopyReadBack{};
}

void ChosenDriveA::EndRun()
{
    if (drive)
        drive->EndRun();
    drive.reset();
}
