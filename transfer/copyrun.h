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

    // The groups that a run started now would write, in order, with their names on drive A.
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
        QList<int> groups; // the numbers of the groups to copy, in order
        QList<QStringList> items; // every group's entries, group 1 first
        int fileCount = 0;

        QList<RunGroup> runGroups() const;
    };

    Plan readBoard() const;
    Plan plan();
    CopyOutcome copy(const Plan &plan);
    CopyOutcome copyGroup(int number, const QStringList &items);
    void markCopied(int number);
    void showProgress();
    void Report(const CopyOutcome &outcome);

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
