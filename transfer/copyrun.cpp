#include "copyrun.h"

#include "messageboxes.h"
#include "targetname.h"

CopyRun::CopyRun(const GroupBoard &board, DriveA &drive, MessageBoxes &messages)
    : board(board)
    , drive(drive)
    , messages(messages)
{
}

void CopyRun::CmdStartCopy_Click()
{
    report(copyPendingGroups());
}

CopyOutcome CopyRun::copyPendingGroups()
{
    for (int number = 1; number <= GroupCount; ++number) {
        GroupList &group = board.group(number);
        if (group.ForeColor() == CopiedColour || group.ListCount() == 0)
            continue;
        if (CopyOutcome outcome = copyGroup(number); !outcome.ok())
            return outcome;
        group.SetForeColor(CopiedColour);
        group.Refresh();
    }
    return {};
}

CopyOutcome CopyRun::copyGroup(int number)
{
    const GroupList &group = board.group(number);
    const int count = group.ListCount();
    for (int j = 1; j <= count; ++j) {
        SourcePath = group.List(j - 1);
        TargetName = groupPrefix(number) + ReNaMe(SourcePath);
        if (CopyOutcome outcome = drive.FileCopy(SourcePath, QStringLiteral("a:") + TargetName); !outcome.ok())
            return outcome;
    }
    // The group turns green only once its files are on the medium.
    return drive.Flush();
}

void CopyRun::report(const CopyOutcome &outcome)
{
    switch (outcome.code) {
    case NoFailure:
        messages.MsgBox(QStringLiteral("       READY !"), MsgOkOnly, QStringLiteral("The end is near..."));
        break;
    case DriveNotReady:
        messages.MsgBox(QStringLiteral("DISK NOT READY !"), MsgCritical, QStringLiteral("Did I forget something ?"));
        break;
    case DiskFull:
        messages.MsgBox(QStringLiteral("DISK FULL: INSERT NEW DISK !"), MsgCritical,
                        QStringLiteral("I wish I had a harddisk in my korvana !"));
        break;
    default:
        messages.MsgBox(QStringLiteral("CANNOT COPY: ") + SourcePath + QLatin1Char('\n') + outcome.reason,
                        MsgCritical, QStringLiteral("Copy to A:\\"));
        break;
    }
}
