#pragma once

#include "drivea.h"

#include <QString>

#include <sys/types.h>

// What every drive A does with a style it copies: the name it goes under, opening it, and
// comparing what the disk reads back with it.

// A file descriptor, closed when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd(fd) {}
    FileDescriptor(FileDescriptor &&other) noexcept : fd(other.release()) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    FileDescriptor &operator=(FileDescriptor &&other) noexcept;
    ~FileDescriptor();

    explicit operator bool() const { return fd >= 0; }
    int get() const { return fd; }
    int release();

private:
    int fd;
};

// The name in the root of drive A that destination, "a:" followed by that name, stands
// for; empty, with the failure, when it names no file there.
QString nameOnDriveA(const QString &destination, CopyOutcome *failure);

// Opens the style at path for reading, or tells why it cannot be copied: it is no regular
// file, or cannot be read. size, when given, gets its size.
FileDescriptor openStyle(const QString &path, CopyOutcome *failure, off_t *size = nullptr);

// Reads both files from their start and tells whether they hold the same bytes.
// Returns 0, -1 for a difference, or the failure's errno.
int compareContents(int first, int second);

// The file name on drive A does not hold what the style at source holds.
CopyOutcome readsBackDifferent(const QString &name, const QString &source);
