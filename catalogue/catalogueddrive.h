#pragma once

#include "catalogue.h"
#include "drivea.h"

#include <functional>
#include <optional>

// Drive A as a copy run writes it, with each group written into the catalogue once it is
// on the disk. The catalogue never stops a run: one that cannot be opened or written is
// told once, through problem, and the run goes on. The catalogue is opened on the thread
// that runs the copy run, at its start.
class CataloguedDriveA : public DriveA {
public:
    using Problem = std::function<void(const QString &why)>;

    CataloguedDriveA(DriveA &drive, Problem problem, QString catalogueFile = Catalogue::defaultPath());

    void BeginRun(const QStringList &sources) override;
    CopyOutcome CheckGroupsFit(const QList<RunGroup> &groups) override { return drive.CheckGroupsFit(groups); }
    CopyOutcome BeginGroup(const RunGroup &group) override;
    CopyOutcome FileCopy(const QString &sourcePath, const QString &destination) override
    {
        return drive.FileCopy(sourcePath, destination);
    }
    CopyOutcome Flush() override;
    int groupsHeldBack() const override { return drive.groupsHeldBack(); }
    CopyOutcome FinishRun() override;
    DiskId diskInDrive() const override { return drive.diskInDrive(); }
    void EndRun() override;

private:
    void recordGroupsOnDisk();
    void tell(const QString &why);

    DriveA &drive;
    Problem problem;
    QString catalogueFile;
    std::optional<Catalogue> catalogue;
    bool told = false;
    RunGroup current;
    QList<RunGroup> flushed;
    qsizetype recorded = 0; // of flushed
};
