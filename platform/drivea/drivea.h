#pragma once

#include <QString>

// Failure codes of the platform's file copy, as the copy run tells them apart.
enum FailureCode : int {
    NoFailure = 0,
    DiskFull = 61,
    DriveNotReady = 71,
    OtherFailure = 75,
};

struct CopyOutcome {
    int code = NoFailure;
    QString reason; // the system's own words for the failure
    QString source; // the source file the failure is about, when it is not the one being copied

    bool ok() const { return code == NoFailure; }
};

// Drive A, the floppy that the styles are written to: a folder, a floppy disk in a
// drive, or a floppy image.
class DriveA {
public:
    virtual ~DriveA() = default;

    // A copy run starts; where drive A is may be looked up again.
    virtual void BeginRun() {}

    // Copies the whole file at sourcePath to destination, which is "a:" followed by
    // a file name in the root of the disk; a file of that name is replaced.
    virtual CopyOutcome FileCopy(const QString &sourcePath, const QString &destination) = 0;

    // Puts every file copied since the last flush on the medium, so that the disk may
    // be taken out, and reads each one back. A file that reads back different from its
    // source fails, naming that source.
    virtual CopyOutcome Flush() = 0;

    // The run is over: nothing of drive A stays open or busy.
    virtual void EndRun() {}
};
