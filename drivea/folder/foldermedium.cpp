#include "foldermedium.h"

#include "folderdrive.h"
#include "localname.h"

#include <sys/stat.h>

std::unique_ptr<DriveA> FolderMedium::driveForRun() const
{
    return std::make_unique<FolderDriveA>(folder);
}

std::unique_ptr<DriveAFormat> FolderMedium::driveForFormat(const ImageMade &) const
{
    return std::make_unique<UnformattableDriveA>(
        description(), driveText("Drive A is the folder %1 on this computer, not a floppy disk. A folder cannot be "
                                 "formatted. To make room for new styles, delete files from the folder with the file "
                                 "manager.")
                           .arg(folder));
}

QString FolderMedium::description() const
{
    struct stat info {};
    const bool exists = ::stat(localName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode);
    const QString shown = driveText("the folder %1").arg(folder);
    return exists ? shown : shown + driveText(", which does not exist");
}
