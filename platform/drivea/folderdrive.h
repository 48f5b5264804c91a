#pragma once

#include "drivea.h"

#include <QByteArray>

struct stat;

// Drive A as a folder: "a:" followed by a name is that name inside the folder.
// An empty folder path, or a folder that does not exist, is a drive that is not ready.
class FolderDriveA : public DriveA {
public:
    explicit FolderDriveA(const QString &folder);
    enum class Medium { Folder, FatDisk };
    FolderDriveA(const QString &folder, Medium) : FolderDriveA(folder) {}
    ~FolderDriveA() override;
    FolderDriveA(const FolderDriveA &) = delete;
    FolderDriveA &operator=(const FolderDriveA &) = delete;

    CopyOutcome FileCopy(const QString &sourcePath, const QString &destination) override;
    CopyOutcome Flush() override;

    QString folder() const { return folderPath; }

private:
    CopyOutcome copy(const QString &sourcePath, const QByteArray &name);
    CopyOutcome replaceTarget(int source, const struct stat &sourceInfo, const QByteArray &name);
    bool openFolder();
    void closeFolder();

    QString folderPath;
    // Open from the first copy of a group until the group is flushed or a copy fails,
    // so that the folder is not looked up again for every file, and nothing holds it
    // open between runs.
    int folderFd = -1;
};
