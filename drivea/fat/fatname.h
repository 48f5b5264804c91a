#pragma once

#include <QString>

// File names on a FAT floppy, as the keyboard reads them.

constexpr qint64 directoryEntryBytes = 32;

// Why FAT cannot store name at all, or an empty text if it can.
QString whyFatCannotStore(const QString &name);

// The name to write: an 8.3 name in upper case, so that it takes one directory entry
// and no long name; any other name as it is.
QString fatDiskName(const QString &name);

// The root directory entries that a file of this name takes on a floppy: one for a
// short name in a single case, which mtools stores without a long name; otherwise one
// more for each 13 characters of the long name.
int directoryEntries(const QString &name);
int directoryEntries(const QStringList &names);

// The volume label as a floppy stores it: upper case, without trailing blanks.
QString volumeLabel(const QString &typed);

// Why label, as volumeLabel() gives it, cannot be a floppy's volume label, or an empty
// text if it can. A label is stored as typed only when it holds upper-case short-name
// characters and blanks, at most 11. An empty label is a disk without one.
QString whyNotVolumeLabel(const QString &label);
