#pragma once

#include "drivea.h"
#include "groupboard.h"
#include "workerjob.h"

#include <QObject>

#include <functional>

class MessageBoxes;
class RunProgress;

// What a copy run writes, read from the board once at its start.
struct RunPlan {
    QList<RunGroup> groups; // the groups to copy, in order, each file once
    QList<QList<int>> entries; // for each of groups, the list index of each of its sources
    QStringList sources; // every entry of the board
    int fileCount = 0;
    CopyOutcome refusal; // why the run may not write anything
};

// The groups that are waiting. A file given twice under one path is one style; two styles
// under one name on drive A, as FAT compares names, refuse the run.
RunPlan planRun(const BoardSnapshot &groups);
RunPlan planRun(const GroupBoard &board);

// What a run tells while it copies; any of them may be left out.
struct RunListener {
    // The entry at index of group number is being copied from source to target.
    std::function<void(int number, int index, const QString &source, const QString &target)> itemStarted;
    std::function<void()> fileCopied;
    std::function<void(int number)> groupCopied; // the group is on the disk and reads back right
    std::function<bool()> stopRequested; // asked before each style
};

// "Copy to A:" itself: writes every planned group to drive A, each style under its
// group's prefix. Touches no widget, so it may run on any thread.
CopyOutcome copyGroups(const RunPlan &plan, DriveA &drive, const RunListener &listener = {});

// The run's message box for its outcome; a run that was stopped shows none.
void reportRun(const CopyOutcome &outcome, MessageBoxes &messages);

// The copy run as the window runs it: drive A is written on a worker thread while this
// thread goes on, with the board as it was at the start; each finished group turns green,
// and finished() follows the run's message box.
class CopyRun : public QObject {
    Q_OBJECT
public:
    CopyRun(GroupBoard &board, DriveA &drive, MessageBoxes &messages, RunProgress *progress = nullptr);

    void Start();
    // The run stops before its next style, without a message box.
    void Stop() { job.stop(); }
    bool isRunning() const { return job.isRunning(); }

    // The groups that a run started now would write, in order, each file once, with their
    // names on drive A.
    QList<RunGroup> pendingGroups() const;

    // The item being copied and the name it is written under; kept between runs.
    QString SourcePath() const { return sourcePath; }
    QString TargetName() const { return targetName; }

signals:
    // The entry at index of group number is being copied.
    void itemStarted(int number, int index);
    void finished();

private:
    void showProgress();
    void ended(const CopyOutcome &outcome);

    GroupBoard &board;
    DriveA &drive;
    MessageBoxes &messages;
    RunProgress *progress;
    // Declared last: a run under way is stopped and waited for before the rest goes.
    int filesCopied = 0;
    int filesInRun = 0;
    QString sourcePath;
    QString targetName;

    WorkerJob<CopyOutcome> job{this, [this](const CopyOutcome &outcome) { ended(outcome); }};

signals:
    // From the worker to this object's thread.
    void copying(int number, int index, const QString &source, const QString &target);
    void groupCopied(int number, const DiskCopy &copy);
    void fileCopied();
};
