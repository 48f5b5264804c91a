#pragma once

#include "drivea.h"
#include "drivealock.h"
#include "filedescriptor.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>

#include <optional>

#include <sys/types.h>

struct stat;

// Drive A as a folder: a name on drive A is that name inside the folder. The
// folder is either an ordinary one on this computer, or where a floppy disk is mounted.
// An empty folder path, or a folder that does not exist, is a drive that is not ready.
// A copy is written under a temporary name in the folder and, once the whole group is
// on the medium and reads back right, renamed over its target.
class FolderDriveA : public DriveA {
public:
    enum class Medium {
        Folder,
        // A mounted FAT floppy: 8.3 names are written in upper case, and the read-back
        // reaches the disk, not the cache. A drive that loses its disk is not ready.
        FatDisk,
    };

    // label: the volume label of a mounted floppy, which its root directory holds too.
    explicit FolderDriveA(const QString &folder, Medium medium = Medium::Folder, const QString &label = {});
    ~FolderDriveA() override;
    FolderDriveA(const FolderDriveA &) = delete;
    FolderDriveA &operator=(const FolderDriveA &) = delete;

    void BeginRun(const QStringList &sources) override;
    CopyOutcome CheckGroupsFit(const QList<RunGroup> &groups) override;
    CopyOutcome BeginGroup(const RunGroup &group) override;
    CopyOutcome FileCopy(const QString &sourcePath, const QString &name) override;
    CopyOutcome Flush() override;
    CopyOutcome FinishRun() override;
    DiskId diskInDrive() const override;
    void checksumReadBacks() override { checksummed = true; }
    CopyReadBack readBackOf(const QString &source) const override { return readBacks.value(source); }
    void EndRun() override;

    QString folder() const { return folderPath; }

private:
    struct Staged {
        QByteArray temporary;
        QByteArray target;
        QString source;
        off_t size = 0;
    };

    CopyOutcome openDisk();
    CopyOutcome copy(const QString &sourcePath, const QByteArray &name);
    CopyOutcome checkTarget(const QByteArray &name) const;
    QByteArray entryNamedBy(const QByteArray &name, const struct stat &target) const;
    QByteArray diskName(const QString &name) const;
    bool groupFitsReplacingOldCopies() const;
    CopyOutcome stage(int source, off_t size, const QByteArray &name, const QString &sourcePath);
    Result<QByteArray> writeTemporary(int source, off_t size);
    QByteArray nextTemporaryName();
    void forgetTemporaries();
    CopyOutcome putOnTheMedium();
    CopyOutcome readBack(const Staged &file);
    CopyOutcome replaceTargets();
    CopyOutcome diskFailure(int error) const;
    CopyOutcome checkSameFolder() const;
    void discardStaged();
    void closeFolder();

    QString folderPath;
    Medium medium;
    QString diskLabel;
    // Open from the run's first copy to its end.
    FileDescriptor folderFd;
    DriveALock lock;
    QStringList runSources;
    QHash<QPair<dev_t, ino_t>, QString> sourceFiles;
    QSet<QString> sourcePaths;
    RunGroup currentGroup;
    std::optional<bool> groupFits; // once the group has run out of room
    QStringList runPrefixes; // of the temporary names made in this run
    int temporaryCount = 0; // with the last prefix
    bool temporariesLeft = false; // some could not be removed
    // Written under temporary names since the last flush.
    QList<Staged> staged;
    bool checksummed = false;
    QHash<QString, CopyReadBack> readBacks; // by source, in this run, when checksummed
};
