#include "catalogueddrive.h"

#include "localname.h"
#include "stylecopy.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <sys/stat.h>

namespace {

// What a change of the source's bytes changes: its file, size or time of change.
QByteArray stampOf(const QString &source)
{
    struct stat info {};
    if (::stat(localName(source).constData(), &info) != 0)
        return {};
    return QByteArray::number(quint64(info.st_dev)) + ' ' + QByteArray::number(quint64(info.st_ino)) + ' '
        + QByteArray::number(qint64(info.st_size)) + ' ' + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.'
        + QByteArray::number(qint64(info.st_mtim.tv_nsec));
}

// The style as its source holds it: the drive reads back the same bytes, or fails.
WrittenStyle styleFrom(const QString &source, const QString &name)
{
    const Result<OpenStyle> style = openStyle(source);
    QFile file;
    QByteArray bytes;
    if (style.ok() && file.open(style.value.fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
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
}

CopyOutcome CataloguedDriveA::BeginGroup(const RunGroup &group)
{
    const int sequence = ++groupsBegun;
    keeper->post([this, sequence, group] { stage(sequence, group); });
    return drive.BeginGroup(group);
}

CopyOutcome CataloguedDriveA::Flush()
{
    const CopyOutcome outcome = drive.Flush();
    if (outcome.ok())
        flushed.append(groupsBegun);
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
    closeCatalogue();
}

void CataloguedDriveA::closeCatalogue()
{
    if (!keeper)
        return;
    keeper->post([this] {
        staged.clear();
        catalogue.reset(); // closed on the thread that opened it
    });
    keeper.reset();
}

void CataloguedDriveA::stage(int sequence, const RunGroup &group)
{
    if (!catalogue->usable())
        return;
    StagedGroup &set = staged[sequence];
    set.group = group;
    QList<WrittenStyle> styles;
    for (qsizetype i = 0; i < group.sources.size(); ++i) {
        set.stamps.append(stampOf(group.sources[i]));
        styles.append(styleFrom(group.sources[i], group.names[i]));
    }
    set.stage = catalogue->stageGroup(group.number, styles);
}

// A source that changed since it was read for the catalogue is read again, as the drive
// read it back.
void CataloguedDriveA::record(int sequence, const DiskId &disk)
{
    const StagedGroup set = staged.take(sequence);
    if (!catalogue->usable())
        return;
    QList<QByteArray> stamps;
    for (const QString &source : set.group.sources)
        stamps.append(stampOf(source));
    const int stage = stamps == set.stamps ? set.stage : -1;
    const bool done = stage >= 0 ? catalogue->recordStaged(disk, stage) : catalogue->recordGroup(disk, set.group.number, [&] {
        QList<WrittenStyle> styles;
        for (qsizetype i = 0; i < set.group.sources.size(); ++i)
            styles.append(styleFrom(set.group.sources[i], set.group.names[i]));
        return styles;
    }());
    if (!done)
        tell(catalogue->error());
}

// The groups that the drive has put on the medium since the last look, as the copy run
// turns them green.
void CataloguedDriveA::recordGroupsOnDisk()
{
    const qsizetype onDisk = flushed.size() - std::min<qsizetype>(drive.groupsHeldBack(), flushed.size());
    if (recorded >= onDisk)
        return;
    const DiskId disk = drive.diskInDrive();
    const QList<int> groups = flushed.mid(recorded, onDisk - recorded);
    recorded = onDisk;
    keeper->run([&] {
        for (int sequence : groups)
            record(sequence, disk);
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
