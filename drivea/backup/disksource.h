#pragma once

#include "catalogue.h"
#include "drivea.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>

class UDisks;

// The files in the root of the disk in drive A, read whole.

// A text of the back-up's that the user reads, translated in the context BackUp.
inline QString backUpText(const char *text)
{
    return QCoreApplication::translate("BackUp", text);
}

struct DiskFile {
    QString name;
    QByteArray bytes;
    QString pathOnDisk; // for a folder or a mounted floppy, to read it again; else empty
};

struct DiskContents {
    DiskId disk;
    QList<DiskFile> files;
    QString error; // empty when every file was read
    qint64 freeBytes = -1; // -1 when not known
};

// Reads drive A: a folder, a floppy image, or a floppy drive's block device; the
// machine's floppy drive, as UDisks2 shows it, when driveA is empty. A floppy that
// UDisks2 can look into is read where it is mounted, and mounted first if need be;
// another is read through mtools on its block device, as an image is.
DiskContents readDriveA(const QString &driveA, UDisks &udisks);
