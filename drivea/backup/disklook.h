#pragma once

#include "catalogue.h"
#include "diskbackup.h"

#include <QList>
#include <QString>

class UDisks;

// A file on the disk in drive A, and what the catalogue knows of it: the styles that
// Dupliva wrote under its name there, with their group and source.
struct LookedFile {
    QString name;
    qint64 size = 0;
    QList<FoundStyle> written;
};

// What the disk in drive A holds now.
struct DiskLook {
    DiskId disk;
    qint64 freeBytes = -1; // -1 when not known
    QList<LookedFile> files;
    int onNoOtherDisk = 0; // files whose bytes no other catalogued disk holds
    QString error; // empty when the disk was read
};

// Reads the disk in drive A (see readDriveA), records in the catalogue what it holds, and
// tells what the catalogue knows of each file. A catalogue that cannot be used only
// leaves the files without what it knows.
DiskLook lookAtDisk(const QString &driveA, UDisks &udisks);

// Backs up the disk in drive A (see backUpDriveA) and records in the catalogue what it holds.
BackUp backUpAndRecord(const QString &driveA, const QString &intoFolder, UDisks &udisks, const BackUpProgress &progress);

// After the disk was erased the catalogue forgets what it held.
void forgetErasedDisk(const DiskId &disk);
