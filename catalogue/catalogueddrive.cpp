#include "catalogueddrive.h"

#include "fatname.h"
#include "stylecopy.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

namespace {

// The style as it read back right from the disk a moment ago.
WrittenStyle styleWritten(const QString &source, const QString &name)
{
    const Result<FileDescriptor> style = openStyle(source);
    QFile file;
    QByteArray bytes;
    if (style.ok() && file.open(style.value.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        bytes = file.readAll();
    return {name, source, bytes.size(), checksumOf(bytes)};
}

} // namespace

CataloguedDriveA::CataloguedDriveA(DriveA &drive, Problem problem, QString catalogueFile)
    : drive(drive)
    , problem(std::move(problem))
    , catalogueFile(std::move(catalogueFile))
{
}

void CataloguedDriveA::BeginRun(const QStringList &sources)
{
    flushed.clear();
    recorded = 0;
    catalogue.emplace(Catalogue::open(catalogueFile));
    if (!catalogue->movedAside().isEmpty())
        tell(catalogue->movedAside());
    if (!catalogue->usable())
        tell(catalogue->error());
    drive.BeginRun(sources);
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
    return outcome;
}

void CataloguedDriveA::EndRun()
{
    drive.EndRun();
    catalogue.reset();
}

// The groups that the drive has put on the medium since the last look, as the copy run
// turns them green.
void CataloguedDriveA::recordGroupsOnDisk()
{
    const qsizetype onDisk = flushed.size() - std::min<qsizetype>(drive.groupsHeldBack(), flushed.size());
    if (recorded >= onDisk || !catalogue || !catalogue->usable()) {
        recorded = std::max(recorded, onDisk);
        return;
    }
    const DiskId disk = drive.diskInDrive();
    for (; recorded < onDisk; ++recorded) {
        const RunGroup &group = flushed[recorded];
        QList<WrittenStyle> styles;
        for (qsizetype i = 0; i < group.sources.size(); ++i) {
            const QString name = disk.kind == DriveKind::Folder ? group.names[i] : fatDiskName(group.names[i]);
            styles.append(styleWritten(group.sources[i], name));
        }
        if (!catalogue->recordGroup(disk, group.number, styles))
            tell(catalogue->error());
    }
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
