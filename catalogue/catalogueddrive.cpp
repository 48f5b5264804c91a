#include "catalogueddrive.h"

#include "stylecopy.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// The style as its source holds it, for a drive that does not tell what it read back: the
// drive reads back the same bytes, or fails.
WrittenStyle readSource(const QString &source, const QString &name)
{
    const QByteArray bytes = readWholeFile(source).value;
    return {name, source, bytes.size(), checksumOf(bytes)};
}

} // namespace

CataloguedDriveA::CataloguedDriveA(DriveA &drive, Problem problem, QString catalogueFile)
    : drive(drive)
    , problem(std::move(problem))
    , catalogueFile(std::move(catalogueFile))
{
}

CataloguedDriveA::~CataloguedDriveA()
{
    closeCatalogue();
}

void CataloguedDriveA::BeginRun(const QStringList &sources)
{
    flushed.clear();
    recorded = 0;
    keeper = std::make_unique<SerialThread>();
    keeper->post([this] {
        told = false;
        catalogue.emplace(Catalogue::open(catalogueFile));
        tell(catalogue->movedAside());
        if (!catalogue->usable())
            tell(catalogue->error());
    });
    drive.BeginRun(sources);
    drive.checksumReadBacks();
}

CopyOutcome CataloguedDriveA::BeginGroup(const RunGroup &group)
{
    current = group;
    return drive.BeginGroup(group);
}

CopyOutcome CataloguedDriveA::Flush()
{
    const CopyOutcome outcome = drive.Flush();
    if (outcome.ok())
        flushed.append(current);
    recordGroupsOnDisk();
    return outcome;
}

CopyOutcome CataloguedDriveA::FinishRun()
{
    const CopyOutcome outcome = drive.FinishRun();
    recordGroupsOnDisk();
    if (keeper)
        keeper->run([] {}); // every group on the disk is in the catalogue
    return outcome;
}

void CataloguedDriveA::EndRun()
{
    drive.EndRun();
    closeCatalogue();
}

void CataloguedDriveA::closeCatalogue()
{
    if (!keeper)
        return;
    keeper->post([this] { catalogue.reset(); }); // closed on the thread that opened it
    keeper.reset();
}

// Asked on the copy run's thread, while the drive still knows what it read back.
CataloguedDriveA::GroupOnDisk CataloguedDriveA::groupOnDisk(const RunGroup &group) const
{
    GroupOnDisk onDisk{group.number, {}};
    for (qsizetype i = 0; i < group.sources.size(); ++i) {
        const CopyReadBack copy = drive.readBackOf(group.sources[i]);
        onDisk.styles.append({group.names[i], group.sources[i], copy.size, copy.checksum});
    }
    return onDisk;
}

// Groups that reach the disk together are recorded in one transaction.
void CataloguedDriveA::record(const QList<GroupOnDisk> &groups, const DiskId &disk)
{
    if (!catalogue->usable())
        return;
    QList<int> stages;
    for (GroupOnDisk group : groups) {
        for (WrittenStyle &style : group.styles) {
            if (style.size < 0)
                style = readSource(style.source, style.name);
        }
        stages.append(catalogue->stageGroup(group.number, group.styles));
    }
    if (!catalogue->recordStaged(disk, stages))
        tell(catalogue->error());
}

// The groups that the drive has put on the medium since the last look go to the keeper,
// in order, with the disk they went onto.
void CataloguedDriveA::recordGroupsOnDisk()
{
    const qsizetype onDisk = flushed.size() - std::min<qsizetype>(drive.groupsHeldBack(), flushed.size());
    if (recorded >= onDisk)
        return;
    QList<GroupOnDisk> groups;
    for (; recorded < onDisk; ++recorded)
        groups.append(groupOnDisk(flushed[recorded]));
    recordsPending += int(groups.size());
    keeper->post([this, groups, disk = drive.diskInDrive()] {
        record(groups, disk);
        recordsPending -= int(groups.size());
    });
}

void CataloguedDriveA::tell(const QString &why)
{
    if (told || why.isEmpty() || !problem)
        return;
    told = true;
    problem(QCoreApplication::translate("Catalogue", "The catalogue of disks cannot keep what this run writes, "
                                                     "which goes on all the same: %1")
                .arg(why));
}
