#pragma once

#include "diskplan.h"
#include "drivea.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// Floppy images reached through mtools, the only code here that reads or writes FAT.

// What one mtools program did.
struct MtoolsRun {
    bool finished = false; // false: it could not start, or it took too long and was stopped
    int exitCode = -1;
    QByteArray output;
    QString errors; // its own messages, trimmed; or why it did not run to its end
    bool shortWrite = false; // it said that a write fell short, which it does not count as failing

    bool ok() const { return finished && exitCode == 0 && !shortWrite; }
};

// Runs an mtools program (mcopy, mtype, ...) with arguments and waits for it: no shell,
// no terminal, no standard input, and no user's mtools settings. Never hangs for good,
// and never outlives the thread that runs it. inherited, when given, is a descriptor that
// the program holds for as long as it runs, such as drive A's lock.
MtoolsRun runMtools(const QString &program, const QStringList &arguments, int inherited = -1);

// The failure that an mtools program's exit code and messages about the image at
// imagePath mean for a copy. Depends on nothing else.
CopyOutcome mtoolsFailure(const QString &imagePath, int exitCode, const QString &errors);

// One entry of a disk's root directory, as mdir lists it.
struct RootEntry {
    QString name; // the long name, or else the short one
    QString shortName; // "01SAMB~1.STY"
    bool folder = false;
    qint64 bytes = 0;
};

// The root directory of a FAT disk, as mdir lists it.
struct RootListing {
    QList<RootEntry> entries;
    QString label; // empty for a disk without a volume label
    QString serial; // the volume serial number, "2C22-B8DA"; empty when the disk has none
    qint64 freeBytes = -1; // -1 when mdir did not say
};

// The root directory of the image or device at path, read with mdir; an mdir that fails
// gives its failure.
Result<RootListing> listRoot(const QString &imageOrDevice);

// The room on the FAT disk of a floppy image or an unmounted floppy's block device, as
// minfo and mdir tell it, none when it cannot be read, and mdir's listing of its root.
struct RoomAndRoot {
    std::optional<DiskRoom> room;
    RootListing root;
};
RoomAndRoot diskRoomThroughMtools(const QString &imageOrDevice);
// The same with the root directory as mdir listed it already.
std::optional<DiskRoom> diskRoomWithListing(const QString &imageOrDevice, const RootListing &root);

// The regular files of folder ("::" or "::~D3KA") on the image or device at path, read
// through a pipe with one mcopy and split by mdir's listing of the folder, by name in case
// folded form. Needs no room in the temporary folder.
Result<QHash<QString, QByteArray>> readFolderThroughMtools(const QString &imageOrDevice, const QString &folder);

// name on the image as mtools reads it back: it takes "[" in a name it reads as the start
// of a pattern, so that "05[x].sty" would read "05x.sty".
QString mtoolsPattern(const QString &name);

// What the file at path is, as a floppy image.
struct ImageFile {
    int error = 0; // errno when it cannot be reached
    qint64 size = 0;
    QString whyNot; // why it cannot be used as a floppy image; empty if it can

    bool usable() const { return whyNot.isEmpty(); }
};
ImageFile examineImage(const QString &path);
