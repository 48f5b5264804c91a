#include "foldermedium.h"

#include "folderdrive.h"
#include "localname.h"

#include <sys/stat.h>

namespace {

class FolderMedium : public DriveAMedium {
public:
    explicit FolderMedium(QString folder) : folder(std::move(folder)) {}

    std::unique_ptr<DriveA> driveForRun() const override { return std::make_unique<FolderDriveA>(folder); }

    std::unique_ptr<DriveAFormat> driveForFormat(const ImageMade &) const override
    {
        return std::make_unique<UnformattableDriveA>(
            description(), driveText("Drive A is the folder %1 on this computer, not a floppy disk. A folder cannot be "
                                     "formatted. To make room for new styles, delete files from the folder with the "
                                     "file manager.")
                               .arg(folder));
    }

    QString description() const override
    {
        struct stat info {};
        const bool exists = ::stat(localName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode);
        const QString shown = driveText("the folder %1").arg(folder);
        return exists ? shown : shown + driveText(", which does not exist");
    }

    QString describeRun(const QList<RunGroup> &) const override { return {}; }

private:
    QString folder;
};

} // namespace

std::unique_ptr<DriveAMedium> folderMedium(const QString &folder)
{
    return std::make_unique<FolderMedium>(folder);
}
