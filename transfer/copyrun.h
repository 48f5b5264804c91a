#pragma once

#include "drivea.h"
#include "groupboard.h"

#include <QFutureWatcher>
#include <QObject>

class MessageBoxes;
class RunProgress;

// "Copy to A:\": writes every style of every group that is neither empty nor green to
// drive A, each under its group's prefix, and turns each finished group green.
class CopyRun : public QObject {
    Q_OBJECT
public:
    CopyRun(const GroupBoard &board, DriveA &drive, MessageBoxes &messages, RunProgress *progress = nullptr);
    // Waits for a run that is under way.
    ~CopyRun() override;

    // One whole run on this thread, ended by its message box.
    void CmdStartCopy_Click();

    // The same run as a job: drive A is written on a worker thread while this thread
    // goes on; finished() follows the run's message box.
    void Start();
    bool isRunning() const { return job.isRunning(); }

    // The groups that a run started now would write, in order, each file once, with their
    // names on drive A.
    QList<RunGroup> pendingGroups() const;

    // The item being copied and the name it is written under; kept between runs.
    QString SourcePath;
    QString TargetName;

signals:
    // The entry at index of group number is being copied.
    void itemStarted(int number, int index);
    void finished();

private:
    // What a run copies, read from the board once at its start.
    struct Plan {
        QList<RunGroup> groups; // the groups to copy, in order, each file once
        QList<QList<int>> entries; // for each of groups, the list index of each of its sources
        QStringList sources; // every entry of the board
        int fileCount = 0;
        CopyOutcome refusal; // why the run may not write anything
    };

    Plan readBoard() const;
    static void planGroup(Plan &plan, int number, const QStringList &items);
    Plan plan();
    CopyOutcome copy(const Plan &plan);
    CopyOutcome copyGroup(const RunGroup &group, const QList<int> &entries);
    void markCopied(int number);
    void showProgress();
    void Report(const CopyOutcome &outcome);
    QString whatCannotBeCopied(const CopyOutcome &outcome) const;

    const GroupBoard &board;
    DriveA &drive;
    MessageBoxes &messages;
    RunProgress *progress;
    QFutureWatcher<CopyOutcome> job;
    int filesCopied = 0;
    int filesInRun = 0;

signals:
    // From the worker to this object's thread.
    void groupCopied(int number);
    void fileCopied();
};
