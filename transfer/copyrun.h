#pragma once

#include "drivea.h"
#include "groupboard.h"

class MessageBoxes;

// "Copy to A:\": writes every style of every group that is neither empty nor green to
// drive A, each under its group's prefix, and turns each finished group green.
class CopyRun {
public:
    CopyRun(const GroupBoard &board, DriveA &drive, MessageBoxes &messages);

    // One whole run, ended by its message box.
    void CmdStartCopy_Click();

    // The item being copied and the name it is written under; kept between runs.
    QString SourcePath;
    QString TargetName;

private:
    CopyOutcome copyPendingGroups();
    CopyOutcome copyGroup(int number);
    void report(const CopyOutcome &outcome);

    const GroupBoard &board;
    DriveA &drive;
    MessageBoxes &messages;
};
