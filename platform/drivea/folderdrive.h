#pragma once

#include "drivea.h"

#include <QByteArray>
#include <QList>

struct stat;

// Drive A as a folder: "a:" followed by a name is that name inside the folder. The
// folder is either an ordinary one on this computer, or where a floppy disk is mounted.
// An empty folder path, or a folder that does not exist, is a drive that is not ready.
class FolderDriveA : public DriveA {
public:
    enum class Medium {
        Folder,
        // A mounted FAT floppy: 8.3 names are written in upper case, the disk is flushed
        // once per group, and the read-back reaches the disk, not the cache. A drive
        // that loses its disk is not ready.
        FatDisk,
    };

    explicit FolderDriveA(const QString &folder, Medium medium = Medium::Folder);
    ~FolderDriveA() override;
    FolderDriveA(const FolderDriveA &) = delete;
    FolderDriveA &operator=(const FolderDriveA &) = delete;

    CopyOutcome FileCopy(const QString &sourcePath, const QString &destination) override;
    CopyOutcome Flush() override;
    void EndRun() override;

    QString folder() const { return folderPath; }

private:
    struct WrittenFile {
        QByteArray name;
        QString source;
    };

    CopyOutcome copy(const QString &sourcePath, const QByteArray &name);
    CopyOutcome replaceTarget(int source, const struct stat &sourceInfo, const QByteArray &name);
    CopyOutcome putOnTheMedium();
    CopyOutcome readBack(const WrittenFile &file);
    CopyOutcome diskFailure(int error) const;
    CopyOutcome differs(const QByteArray &name, const QString &source) const;
    void remember(const QByteArray &name, const QString &sourcePath);
    bool openFolder();
    void closeFolder();

    QString folderPath;
    Medium medium;
    // Open from the first copy of a group until the group is flushed or a copy fails,
    // so that the folder is not looked up again for every file, and nothing holds it
    // open between runs.
    int folderFd = -1;
    // On a floppy, what the next flush must read back.
    QList<WrittenFile> writtenSinceFlush;
};
