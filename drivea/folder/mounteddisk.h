#pragma once

#include "diskplan.h"

#include <QString>

#include <optional>

// A disk mounted in a folder, as statvfs tells it.

// The room on the floppy disk mounted at mountPoint; its root directory is taken to be
// that of the standard floppy of its size. A volume label, which the mount does not show,
// takes an entry of it. None for a disk larger than a floppy.
std::optional<DiskRoom> mountedDiskRoom(const QString &mountPoint, bool labelled);

// The bytes free for this user at mountPoint, or -1 when unknown.
qint64 freeBytesAt(const QString &mountPoint);
