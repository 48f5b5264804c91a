#pragma once

#include "drivea.h"

// Drive A as a folder: "a:" followed by a name is that name inside the folder.
// An empty folder path, or a folder that does not exist, is a drive that is not ready.
class FolderDriveA : public DriveA {
public:
    explicit FolderDriveA(const QString &folder);

    CopyOutcome FileCopy(const QString &sourcePath, const QString &destination) override;
    CopyOutcome Flush() override;

    QString folder() const { return folderPath; }

private:
    QString folderPath;
};
