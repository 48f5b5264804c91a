#include "diskplan.h"

#include "fatname.h"
#include "floppysizes.h"
#include "localname.h"
#include "mtools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <sys/statvfs.h>

namespace {

constexpr qint64 directoryEntryBytes = 32;

// What a group or a style takes of a disk.
struct Cost {
    qint64 clusters = 0;
    int entries = 0;
    qint64 bytes = 0;
    int styles = 0;
};

qint64 bootSectorField(const QString &minfo, const char *field)
{
    const QRegularExpression line(QStringLiteral("^%1: (\\d+)").arg(QLatin1String(field)), QRegularExpression::MultilineOption);
    return line.match(minfo).captured(1).toLongLong();
}

// The room of a disk whose boot sector minfo printed; the data clusters are what the
// sectors leave after the boot sectors, the FATs and the root directory.
std::optional<DiskRoom> roomFromBootSector(const QString &minfo)
{
    const qint64 sectorBytes = bootSectorField(minfo, "sector size");
    const qint64 sectorsPerCluster = bootSectorField(minfo, "cluster size");
    const qint64 sectors = std::max(bootSectorField(minfo, "small size"), bootSectorField(minfo, "big size"));
    const qint64 rootEntries = bootSectorField(minfo, "max available root directory slots");
    if (sectorBytes <= 0 || sectorsPerCluster <= 0 || sectors <= 0 || rootEntries <= 0)
        return std::nullopt;
    const qint64 systemSectors = bootSectorField(minfo, "reserved \\(boot\\) sectors")
        + bootSectorField(minfo, "fats") * bootSectorField(minfo, "sectors per fat")
        + (rootEntries * directoryEntryBytes + sectorBytes - 1) / sectorBytes;
    DiskRoom room;
    room.capacity = sectors * sectorBytes;
    room.clusterBytes = sectorBytes * sectorsPerCluster;
    room.clusters = (sectors - systemSectors) / sectorsPerCluster;
    room.rootEntries = int(rootEntries);
    return room;
}

QString counted(int count, const QString &thing)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(thing, count == 1 ? QString() : QStringLiteral("s"));
}

QString groupsText(const QList<int> &numbers)
{
    const QString first = QStringLiteral("%1").arg(numbers.constFirst(), 2, 10, QLatin1Char('0'));
    if (numbers.size() == 1)
        return driveText("group %1 fits").arg(first);
    return driveText("groups %1–%2 fit").arg(first).arg(numbers.constLast(), 2, 10, QLatin1Char('0'));
}

// The last copy under a name is the one that stays; names on FAT ignore case.
Cost costOf(const RunGroup &group, qint64 clusterBytes)
{
    QHash<QString, qsizetype> lastCopy;
    for (qsizetype i = 0; i < group.names.size(); ++i)
        lastCopy.insert(fatDiskName(group.names[i]).toCaseFolded(), i);
    Cost cost;
    for (const qsizetype i : std::as_const(lastCopy)) {
        const qint64 bytes = QFileInfo(group.sources.value(i)).size();
        cost.clusters += (bytes + clusterBytes - 1) / clusterBytes;
        cost.entries += directoryEntries(fatDiskName(group.names[i]));
        cost.bytes += bytes;
        ++cost.styles;
    }
    return cost;
}

QString whyTooLarge(const DiskRoom &room, int number, const Cost &cost)
{
    const QString group = driveText("Group %1").arg(number, 2, 10, QLatin1Char('0'));
    const QString disk = capacityText(room.capacity);
    const QString advice = driveText(" No new disk can take it: move some of its styles to another group.");
    if (cost.clusters > room.clusters)
        return driveText("%1 holds %2 of styles, more than a whole %3 disk holds (%4).")
                   .arg(group, sizeText(cost.clusters * room.clusterBytes), disk, sizeText(room.clusters * room.clusterBytes))
            + advice;
    const QString rootText = room.labelled ? driveText("%1 holds %2 styles, whose names take %3 entries of the root directory; a %4 disk with a volume label has %5.")
                                           : driveText("%1 holds %2 styles, whose names take %3 entries of the root directory; a %4 disk has %5.");
    return rootText.arg(group).arg(cost.styles).arg(cost.entries).arg(disk).arg(room.rootEntries) + advice;
}

// A volume label takes an entry of the root directory, on this disk and, as far as the plan
// can tell, on the next ones, which the user formats alike.
void countLabel(DiskRoom *room, bool labelled)
{
    room->labelled = labelled;
    if (labelled)
        --room->rootEntries;
}

} // namespace

std::optional<DiskRoom> diskRoomThroughMtools(const QString &imageOrDevice)
{
    const MtoolsRun info = runMtools(QStringLiteral("minfo"), {QStringLiteral("-i"), imageOrDevice, QStringLiteral("::")});
    CopyOutcome failure;
    const RootListing root = listRoot(imageOrDevice, &failure);
    std::optional<DiskRoom> room = info.ok() ? roomFromBootSector(QString::fromUtf8(info.output)) : std::nullopt;
    if (!room || !failure.ok() || root.freeBytes < 0)
        return std::nullopt;
    countLabel(&*room, !root.label.isEmpty());
    room->freeClusters = root.freeBytes / room->clusterBytes;
    room->freeRootEntries = room->rootEntries;
    for (const RootEntry &entry : root.entries)
        room->freeRootEntries -= directoryEntries(entry.name);
    return room;
}

std::optional<DiskRoom> mountedDiskRoom(const QString &mountPoint, bool labelled)
{
    struct statvfs disk {};
    if (::statvfs(localName(mountPoint).constData(), &disk) != 0 || disk.f_frsize == 0
        || qint64(disk.f_blocks) * qint64(disk.f_frsize) > largestFloppy)
        return std::nullopt;
    DiskRoom room;
    room.clusterBytes = qint64(disk.f_frsize);
    room.clusters = qint64(disk.f_blocks);
    room.freeClusters = qint64(disk.f_bavail);
    // The floppy whose data area the disk has tells the entries of its root directory,
    // which statvfs does not.
    const FloppySize floppy = floppyHolding(room.clusters * room.clusterBytes);
    room.capacity = floppy.bytes;
    room.rootEntries = floppy.rootEntries;
    countLabel(&room, labelled);
    const QStringList names = QDir(mountPoint).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    room.freeRootEntries = room.rootEntries - directoryEntries(names);
    return room;
}

int DiskPlan::disksUsed() const
{
    return int(disks.size()) - (disks.constFirst().isEmpty() ? 1 : 0);
}

DiskPlan planDisks(const DiskRoom &room, const QList<RunGroup> &groups)
{
    DiskPlan plan;
    plan.disks.append(QList<int>{});
    plan.groups = int(groups.size());
    Cost left{room.freeClusters, room.freeRootEntries};
    for (const RunGroup &group : groups) {
        const Cost cost = costOf(group, room.clusterBytes);
        plan.styles += cost.styles;
        plan.bytes += cost.bytes;
        if (plan.groupNoDiskHolds)
            continue;
        if (cost.clusters > room.clusters || cost.entries > room.rootEntries) {
            plan.groupNoDiskHolds = group.number;
            plan.whyNoDiskHolds = whyTooLarge(room, group.number, cost);
            continue;
        }
        if (cost.clusters > left.clusters || cost.entries > left.entries) {
            plan.disks.append(QList<int>{});
            left = {room.clusters, room.rootEntries};
        }
        plan.disks.last().append(group.number);
        left.clusters -= cost.clusters;
        left.entries -= cost.entries;
    }
    return plan;
}

QString describePlan(const DiskPlan &plan)
{
    if (plan.groups == 0)
        return driveText("This run: nothing to copy.");
    const QString run = driveText("This run: %1 in %2, %3")
                            .arg(counted(plan.styles, QStringLiteral("style")), counted(plan.groups, QStringLiteral("group")), sizeText(plan.bytes));
    if (plan.groupNoDiskHolds)
        return QStringLiteral("%1. %2").arg(run, plan.whyNoDiskHolds);
    const int disks = plan.disksUsed();
    const QString onThisDisk = plan.disks.constFirst().isEmpty()
        ? driveText("none fits on this one")
        : plan.disks.size() == 1 ? driveText("all fit on this one") : groupsText(plan.disks.constFirst()) + driveText(" on this one");
    return driveText("%1, about %2; %3.").arg(run, counted(disks, QStringLiteral("disk")), onThisDisk);
}

CopyOutcome refuseGroupNoDiskHolds(const std::optional<DiskRoom> &room, const QList<RunGroup> &groups)
{
    if (!room)
        return {};
    const DiskPlan plan = planDisks(*room, groups);
    if (!plan.groupNoDiskHolds)
        return {};
    return {NoDiskHoldsGroup, plan.whyNoDiskHolds};
}
