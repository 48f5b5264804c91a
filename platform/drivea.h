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

    bool ok() const { return code == NoFailure; }
};

// Drive A, the floppy that the styles are written to.
class DriveA {
public:
    virtual ~DriveA() = default;

    // Copies the whole file at sourcePath to destination, which is "a:" followed by
    // a file name in the root of the disk; a file of that name is replaced.
    virtual CopyOutcome FileCopy(const QString &sourcePath, const QString &destination) = 0;

    // Puts everything written so far on the medium, so that the disk may be taken out.
    virtual CopyOutcome Flush() = 0;
};
