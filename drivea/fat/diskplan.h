#pragma once

#include "drivea.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// How a copy run will fill floppy disks of drive A's kind.

// The room on a floppy disk, in the units that FAT hands out: clusters for the data, and
// entries of the root directory, which holds a fixed number of them.
struct DiskRoom {
    qint64 capacity = 0; // the disk's size, as its label gives it
    qint64 clusterBytes = 0;
    qint64 clusters = 0; // for data, on an empty disk
    int rootEntries = 0; // on an empty disk, less the volume label's
    bool labelled = false;
    qint64 freeClusters = 0; // on the disk in drive A now
    int freeRootEntries = 0;
    QHash<QString, qint64> fileBytes; // the size of each file on that disk, by its name in upper case

    // The root directory of the disk in drive A holds names. A volume label takes an entry
    // of it, on this disk and, as far as the plan can tell, on the next ones, which the
    // user formats alike.
    void countRootDirectory(bool hasLabel, const QStringList &names);

    // The group has been written, replacing its earlier copies.
    void add(const RunGroup &group);
};

// Where a group fits on the disk in drive A, before anything of it is written: beside its
// earlier copies, with extra clusters and root entries for the writing itself, or only in
// place of them, or not at all.
enum class GroupFit { Beside, InPlaceOfOldCopies, None };
GroupFit groupFit(const DiskRoom &room, const RunGroup &group, qint64 extraClusters = 0, int extraEntries = 0);

struct DiskPlan {
    QList<QList<int>> disks; // the numbers of the groups on each disk, the one in drive A first
    int groups = 0;
    int styles = 0;
    qint64 bytes = 0;
    int groupNoDiskHolds = 0; // the first group that no empty disk holds, else 0
    QString whyNoDiskHolds;
    // When the root directory of the disk in drive A, not its space, is what leaves the next
    // group for another disk: the names it still has room for; else -1.
    int namesLeftOnThisDisk = -1;

    int disksUsed() const;
};

// Each group goes whole onto what is left of the disk, or else onto the next one, as the
// run goes when a group ends in "DISK FULL"; on the disk in drive A a group's earlier
// copies make room for it, as the run replaces them. Sources are measured as they are now.
DiskPlan planDisks(const DiskRoom &room, const QList<RunGroup> &groups);

// What the run will take, for a tooltip: "This run: 60 styles in 20 groups, 3.3 MB,
// about 6 disks; groups 01–04 fit on this one."
QString describePlan(const DiskPlan &plan);

// The refusal of a run with a group that no disk holds, as planDisks() finds it; none
// when the room is not known.
CopyOutcome refuseGroupNoDiskHolds(const std::optional<DiskRoom> &room, const QList<RunGroup> &groups);
