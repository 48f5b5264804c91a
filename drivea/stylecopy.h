#pragma once

#include "drivea.h"
#include "filedescriptor.h"

#include <QString>

#include <optional>

#include <sys/types.h>

// What every drive A does with a style it copies: the name it goes under, opening it, and
// comparing what the disk reads back with it.

// Fails for a name that names no file in the root of drive A.
CopyOutcome checkNameOnDriveA(const QString &name);

// A style opened for reading, and its size.
struct OpenStyle {
    FileDescriptor fd{};
    off_t size = 0;
};

// Opens the style at path for reading, or tells why it cannot be copied: it is no regular
// file, or cannot be read.
Result<OpenStyle> openStyle(const QString &path);

// The bytes of the file at path, or the system's words for why it cannot be read whole.
Result<QByteArray> readWholeFile(const QString &path);

// Reads a source and its copy from their start and tells whether they hold the same bytes,
// and, when asked to, the copy's checksum (see checksumOf) when they do; none, with errno
// set, when either cannot be read.
struct SameContents {
    bool same = false;
    QByteArray checksum;
};
std::optional<SameContents> compareWithCopy(int source, int copy, bool checksummed);

// The file name on drive A does not hold what the style at source holds.
CopyOutcome readsBackDifferent(const QString &name, const QString &source);
