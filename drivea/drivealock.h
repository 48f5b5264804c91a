#pragma once

#include <QString>

// Only one Dupliva window on this machine writes to a drive A at a time. The lock is an
// flock on a file of its own in $XDG_RUNTIME_DIR (else /tmp), named after the drive's
// real path: it goes when its process ends, however it ends, and leaves the image file
// to mtools' own locking.
class DriveALock {
public:
    DriveALock() = default;
    ~DriveALock() { release(); }
    DriveALock(const DriveALock &) = delete;
    DriveALock &operator=(const DriveALock &) = delete;

    // Takes the lock on the drive at drivePath, or tells why it cannot. Taking it again
    // while it is held does nothing.
    QString take(const QString &drivePath);
    void release();

private:
    int fd = -1;
};
