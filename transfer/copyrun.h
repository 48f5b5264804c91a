#pragma once

#include "drivea.h"
#include "groupboard.h"

class MessageBoxes;
class RunProgress;

// "Copy to A:\": writes every style of every group that is neither empty nor green to
// drive A, each under its group's prefix, and turns each finished group green.
class CopyRun {
public:
    CopyRun(const GroupBoard &board, DriveA &drive, MessageBoxes &messages, RunProgress *progress = nullptr);

    // One whole run, ended by its message box.
    void CmdStartCopy_Click();

    // The two halves of a run: the copying, then the message box that ends it.
    CopyOutcome Copy();
    void Report(const CopyOutcome &outcome);

    // The item being copied and the name it is written under; kept between runs.
    QString SourcePath;
    QString TargetName;

private:
    CopyOutcome copyPendingGroups(const QList<QStringList> &items);
    CopyOutcome copyGroup(int number, const QStringList &items);
    bool isPending(int number) const;
    int pendingFileCount() const;
    QList<QStringList> boardItems() const;
    void showProgress();
    void endRun();

    const GroupBoard &board;
    DriveA &drive;
    MessageBoxes &messages;
    RunProgress *progress;
    int filesCopied = 0;
    int filesInRun = 0;
};
