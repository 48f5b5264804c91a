#include "diskplan.h"

#include "fatname.h"
#include "floppysizes.h"
#include "localname.h"

namespace {

// What a group or a style takes of a disk.
struct Cost {
    qint64 clusters = 0;
    int entries = 0;
    qint64 bytes = 0;
    int styles = 0;
};

QString groupsText(const QList<int> &numbers)
{
    const auto twoDigits = [](int number) { return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')); };
    // Three or more groups in a row read as a range; others are named one by one.
    QStringList parts;
    for (qsizetype first = 0, last = 0; first < numbers.size(); first = last + 1) {
        last = first;
        while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1)
            ++last;
        if (last - first >= 2) {
            parts.append(twoDigits(numbers[first]) + QChar(0x2013) + twoDigits(numbers[last]));
            continue;
        }
        for (qsizetype i = first; i <= last; ++i)
            parts.append(twoDigits(numbers[i]));
    }
    if (numbers.size() == 1)
        return driveText("group %1 fits").arg(parts.constFirst());
    const QString lastPart = parts.takeLast();
    const QString named = parts.isEmpty() ? lastPart : driveText("%1 and %2").arg(parts.join(QStringLiteral(", ")), lastPart);
    return driveText("groups %1 fit").arg(named);
}

Cost costOf(const RunGroup &group, qint64 clusterBytes)
{
    Cost cost;
    for (qsizetype i = 0; i < group.names.size(); ++i) {
        const qint64 bytes = fileSize(group.sources.value(i));
        cost.clusters += (bytes + clusterBytes - 1) / clusterBytes;
        cost.entries += directoryEntries(fatDiskName(group.names[i]));
        cost.bytes += bytes;
        ++cost.styles;
    }
    return cost;
}

// What the copies of the group's names on the disk in drive A take, which the run frees
// when it replaces them; their names keep their entries.
Cost replacedOnThisDisk(const RunGroup &group, const DiskRoom &room)
{
    Cost freed;
    for (const QString &name : group.names) {
        const QString onDisk = fatDiskName(name);
        const auto file = room.fileBytes.constFind(onDisk.toUpper());
        if (file == room.fileBytes.cend())
            continue;
        freed.clusters += (*file + room.clusterBytes - 1) / room.clusterBytes;
        freed.entries += directoryEntries(onDisk);
    }
    return freed;
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

} // namespace

void DiskRoom::countRootDirectory(bool hasLabel, const QStringList &names)
{
    labelled = hasLabel;
    if (labelled)
        --rootEntries;
    freeRootEntries = rootEntries - directoryEntries(names);
}

void DiskRoom::add(const RunGroup &group)
{
    const Cost cost = costOf(group, clusterBytes), freed = replacedOnThisDisk(group, *this);
    freeClusters -= cost.clusters - freed.clusters;
    freeRootEntries -= cost.entries - freed.entries;
    for (qsizetype i = 0; i < group.names.size(); ++i)
        fileBytes.insert(fatDiskName(group.names[i]).toUpper(), fileSize(group.sources.value(i)));
}

GroupFit groupFit(const DiskRoom &room, const RunGroup &group, qint64 extraClusters, int extraEntries)
{
    const Cost cost = costOf(group, room.clusterBytes), freed = replacedOnThisDisk(group, room);
    const qint64 clusters = cost.clusters + extraClusters;
    if (cost.entries - freed.entries + extraEntries > room.freeRootEntries)
        return GroupFit::None;
    if (clusters <= room.freeClusters)
        return GroupFit::Beside;
    return clusters - freed.clusters <= room.freeClusters ? GroupFit::InPlaceOfOldCopies : GroupFit::None;
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
        const Cost freed = plan.disks.size() == 1 ? replacedOnThisDisk(group, room) : Cost{};
        plan.styles += cost.styles;
        plan.bytes += cost.bytes;
        if (plan.groupNoDiskHolds)
            continue;
        if (cost.clusters > room.clusters || cost.entries > room.rootEntries) {
            plan.groupNoDiskHolds = group.number;
            plan.whyNoDiskHolds = whyTooLarge(room, group.number, cost);
            continue;
        }
        if (cost.clusters - freed.clusters > left.clusters || cost.entries - freed.entries > left.entries) {
            if (plan.disks.size() == 1 && cost.clusters - freed.clusters <= left.clusters)
                plan.namesLeftOnThisDisk = left.entries;
            plan.disks.append(QList<int>{});
            left = {room.clusters, room.rootEntries};
        } else {
            left.clusters += freed.clusters;
            left.entries += freed.entries;
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
                            .arg(driveText("%n style", "%n styles", plan.styles), driveText("%n group", "%n groups", plan.groups),
                                 sizeText(plan.bytes));
    if (plan.groupNoDiskHolds)
        return QStringLiteral("%1. %2").arg(run, plan.whyNoDiskHolds);
    const int disks = plan.disksUsed();
    QString onThisDisk = plan.disks.constFirst().isEmpty()
        ? driveText("none fits on this one")
        : plan.disks.size() == 1 ? driveText("all fit on this one") : groupsText(plan.disks.constFirst()) + driveText(" on this one");
    if (plan.namesLeftOnThisDisk == 0)
        onThisDisk += driveText(": its root directory is full");
    else if (plan.namesLeftOnThisDisk > 0)
        onThisDisk += driveText(": its root directory has room for %n more name", ": its root directory has room for %n more names",
                                plan.namesLeftOnThisDisk);
    return driveText("%1, about %2; %3.").arg(run, driveText("%n disk", "%n disks", disks), onThisDisk);
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
