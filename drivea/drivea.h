#pragma once

#include "diskid.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <utility>

// A text of drive A's that the user reads, translated in the context DriveA.
inline QString driveText(const char *text)
{
    return QCoreApplication::translate("DriveA", text);
}

// A text about n things, written once for one and once for more, so that it reads right
// also where no translation is loaded: driveText("%n style", "%n styles", n).
inline QString driveText(const char *one, const char *many, int n)
{
    return QCoreApplication::translate("DriveA", n == 1 ? one : many, nullptr, n);
}

// How something done to drive A ended: the failure codes of the platform's file copy, as
// the copy run tells them apart, and what formatting drive A adds.
enum class FailureCode {
    NoFailure = 0,
    DiskFull = 61,
    DriveNotReady = 71,
    OtherFailure = 75,
    NoDiskHoldsGroup = 76, // found before anything is written
    Stopped = 77, // the run was told to stop, as when the window closes
    NotPossible = 78, // drive A cannot be formatted so, whatever is tried
};
using enum FailureCode;

// The one way in which drive A, mtools, the style copy, the lock and the format report.
struct [[nodiscard]] CopyOutcome {
    CopyOutcome() = default;
    CopyOutcome(FailureCode code, QString reason = {}, QString source = {})
        : code(code)
        , reason(std::move(reason))
        , source(std::move(source))
    {
    }

    FailureCode code = NoFailure;
    QString reason; // the system's own words for the failure
    QString source; // the source file the failure is about, when it is not the one being copied
    // No style is to blame: drive A itself, its lock or the temporary folder failed.
    bool aboutDrive = false;

    bool ok() const { return code == NoFailure; }
};

// A failure of drive A itself, not of any style.
inline CopyOutcome driveFailure(CopyOutcome outcome)
{
    outcome.aboutDrive = true;
    return outcome;
}

inline CopyOutcome driveFailure(FailureCode code, const QString &reason)
{
    return driveFailure(CopyOutcome{code, reason});
}

// What a function that may fail makes: its value, which is only good when it did not.
template <typename T>
struct [[nodiscard]] Result {
    T value{};
    CopyOutcome failure;

    bool ok() const { return failure.ok(); }
};

// A copy as a run last read it back from the disk.
struct CopyReadBack {
    qint64 size = -1; // -1: the drive does not tell
    QByteArray checksum; // see checksumOf
};

// A group as a copy run writes it: each source and the name it is written under.
struct RunGroup {
    int number = 0;
    QStringList sources;
    QStringList names; // in the root of drive A
};

// Drive A, the floppy that the styles are written to: a folder, a floppy disk in a
// drive, or a floppy image.
class DriveA {
public:
    virtual ~DriveA() = default;

    // A copy run starts; where drive A is may be looked up again. sources are all the
    // files on the group board: none of them is ever written.
    virtual void BeginRun(const QStringList & /*sources*/) {}

    // Refuses a run in which a group is larger than a whole disk of drive A, before
    // anything is written: no new disk could take it. Called after BeginRun, with the
    // groups that the run will write, in order.
    virtual CopyOutcome CheckGroupsFit(const QList<RunGroup> & /*groups*/) { return {}; }

    // A group is about to be written: a drive may refuse it, before anything of it is
    // written or removed, when it does not fit on the disk in the drive (DiskFull), or when
    // drive A no longer holds the disk that the run started on.
    virtual CopyOutcome BeginGroup(const RunGroup & /*group*/) { return {}; }

    // Copies the whole file at sourcePath to the file name in the root of the disk; a file
    // of that name is replaced. The drive may only take note of the copy and do it in the
    // next flush.
    virtual CopyOutcome FileCopy(const QString &sourcePath, const QString &name) = 0;

    // Finishes every copy asked for since the last flush, puts it on the medium, so
    // that the disk may be taken out, and reads each one back. A file that reads back
    // different from its source fails, naming that source. A file of the disk is either
    // as it was or the whole new copy, whatever fails and whenever the program ends.
    virtual CopyOutcome Flush() = 0;

    // How many of the groups flushed last are not on the medium yet: a drive may hold
    // groups back to put several on it at once. A group turns green only once it is there.
    virtual int groupsHeldBack() const { return 0; }

    // The run ends, whatever ended it: the groups held back go onto the medium, and drive A
    // is checked to hold the disk that the run started on.
    virtual CopyOutcome FinishRun() { return {}; }

    // The disk that the groups put on the medium went onto.
    virtual DiskId diskInDrive() const { return {}; }

    // From now on each copy's checksum is taken as it reads back, for readBackOf: the
    // catalogue asks for it; without it a drive need not spend the time.
    virtual void checksumReadBacks() {}
    // The copy of source as this run last read it back from the disk, for the catalogue.
    virtual CopyReadBack readBackOf(const QString & /*source*/) const { return {}; }

    // The run is over: nothing of drive A stays open or busy.
    virtual void EndRun() {}
};
