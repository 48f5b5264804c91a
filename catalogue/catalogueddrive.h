#pragma once

#include "catalogue.h"
#include "drivea.h"
#include "serialthread.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// Drive A as a copy run writes it, with each group written into the catalogue once it is
// on the disk, with each style's size and checksum as the drive read it back. The
// catalogue never stops a run: one that cannot be opened or written is told once, through
// problem, and the run goes on.
//
// The catalogue is kept by a thread of its own, which records a group while the drive
// writes the next. Until then the group counts as held back: it turns green only once the
// catalogue holds it, and the end of the run waits for that.
class CataloguedDriveA : public DriveA {
public:
    using Problem = std::function<void(const QString &why)>;

    CataloguedDriveA(DriveA &drive, Problem problem, QString catalogueFile = Catalogue::defaultPath());
    ~CataloguedDriveA() override;

    void BeginRun(const QStringList &sources) override;
    CopyOutcome CheckGroupsFit(const QList<RunGroup> &groups) override { return drive.CheckGroupsFit(groups); }
    CopyOutcome BeginGroup(const RunGroup &group) override;
    CopyOutcome FileCopy(const QString &sourcePath, const QString &destination) override
    {
        return drive.FileCopy(sourcePath, destination);
    }
    CopyOutcome Flush() override;
    int groupsHeldBack() const override { return drive.groupsHeldBack() + recordsPending; }
    CopyOutcome FinishRun() override;
    DiskId diskInDrive() const override { return drive.diskInDrive(); }
    void checksumReadBacks() override { drive.checksumReadBacks(); }
    CopyReadBack readBackOf(const QString &source) const override { return drive.readBackOf(source); }
    void EndRun() override;

private:
    // A group on the disk, as the catalogue keeps it.
    struct GroupOnDisk {
        int number = 0;
        QList<WrittenStyle> styles;
    };

    GroupOnDisk groupOnDisk(const RunGroup &group) const;
    void record(const QList<GroupOnDisk> &groups, const DiskId &disk);
    void recordGroupsOnDisk();
    void closeCatalogue();
    void tell(const QString &why);

    DriveA &drive;
    Problem problem;
    QString catalogueFile;
    std::unique_ptr<SerialThread> keeper;
    // Only the keeper's thread uses these.
    std::optional<Catalogue> catalogue;
    bool told = false;
    // The copy run's thread.
    RunGroup current;
    QList<RunGroup> flushed;
    qsizetype recorded = 0; // of flushed, given to the keeper
    std::atomic_int recordsPending = 0;
};
