#include "catalogueddrive.h"

#include "localname.h"
#include "stylecopy.h"

#include <QCoreApplication>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a change of the source's bytes changes: its file, size or time of change.
QByteArray stampOf(const struct stat &info)
{
    return QByteArray::number(quint64(info.st_dev)) + ' ' + QByteArray::number(quint64(info.st_ino)) + ' '
        + QByteArray::number(qint64(info.st_size)) + ' ' + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.'
        + QByteArray::number(qint64(info.st_mtim.tv_nsec));
}

QByteArray stampOf(const QString &source)
{
    struct stat info {};
    return ::stat(localName(source).constData(), &info) == 0 ? stampOf(info) : QByteArray();
}

// The style as its source holds it, which the drive reads back or fails, and the stamp
// of the source as it was read.
std::pair<WrittenStyle, QByteArray> readSource(const QString &source, const QString &name)
{
    const Result<OpenStyle> style = openStyle(source);
    struct stat info {};
    if (!style.ok() || ::fstat(style.value.fd.get(), &info) != 0)
        return {{name, source, 0, checksumOf({})}, {}};
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    for (ssize_t got = 1; done < bytes.size() && got > 0; done += std::max<ssize_t>(got, 0))
        got = ::read(style.value.fd.get(), bytes.data() + done, size_t(bytes.size() - done));
    bytes.truncate(done);
    return {{name, source, bytes.size(), checksumOf(bytes)}, stampOf(info)};
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
        auto [style, stamp] = readSource(group.sources[i], group.names[i]);
        styles.append(style);
        set.stamps.append(stamp);
    }
    set.stage = catalogue->stageGroup(group.number, styles);
    if (set.stage < 0)
        tell(catalogue->error());
}

// Groups that reach the disk together are recorded in one transaction.
void CataloguedDriveA::record(const QList<int> &sequences, const DiskId &disk)
{
    QList<int> stages;
    for (int sequence : sequences)
        stages.append(currentStage(staged.take(sequence)));
    if (catalogue->usable() && !catalogue->recordStaged(disk, stages))
        tell(catalogue->error());
}

// A source that changed since it was read for the catalogue is read again, as the drive
// read it back.
int CataloguedDriveA::currentStage(const StagedGroup &set)
{
    QList<QByteArray> stamps;
    for (const QString &source : set.group.sources)
        stamps.append(stampOf(source));
    if (stamps == set.stamps || !catalogue->usable())
        return set.stage;
    QList<WrittenStyle> styles;
    for (qsizetype i = 0; i < set.group.sources.size(); ++i)
        styles.append(readSource(set.group.sources[i], set.group.names[i]).first);
    return catalogue->stageGroup(set.group.number, styles);
}

// The groups that the drive has put on the medium since the last look go to the keeper,
// in order, each with the disk it went onto.
void CataloguedDriveA::recordGroupsOnDisk()
{
    const qsizetype onDisk = flushed.size() - std::min<qsizetype>(drive.groupsHeldBack(), flushed.size());
    if (recorded >= onDisk)
        return;
    const QList<int> groups = flushed.mid(recorded, onDisk - recorded);
    recorded = onDisk;
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
