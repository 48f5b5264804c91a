#pragma once

#include "drivea.h"
#include "filedescriptor.h"

#include <QString>

#include <vector>

// Only one Dupliva window at a time writes to a drive A, whoever runs it and by whichever
// path it reaches the disk. The lock is on the disk itself: an open file description lock
// on the image file or the block device, or an flock on the folder. Neither kind meets
// the other, nor the flock that some disk tools take, so it never makes mtools wait. It
// goes when the last process holding it ends, however that ends; an mtools child that
// inherits it keeps it while it writes.
class DriveALock {
public:
    DriveALock() = default;
    ~DriveALock() { release(); }
    DriveALock(const DriveALock &) = delete;
    DriveALock &operator=(const DriveALock &) = delete;

    // Takes the lock on the drive at drivePath, or fails, about the drive, telling why it
    // cannot. Taking it again while it is held does nothing.
    CopyOutcome take(const QString &drivePath);

    // A new file that is about to be renamed over the locked one, such as an image written
    // beside it, is locked first, so that the lock goes with the name.
    bool lockReplacement(int fd);
    // The replacement has taken the drive's name: the lock on what it replaced goes.
    void replaced();

    void release();

    // The locked descriptor, for a child that writes the drive; -1 when not held.
    int descriptor() const { return fds.empty() ? -1 : fds.back().get(); }

private:
    std::vector<FileDescriptor> fds; // the newest last
};
