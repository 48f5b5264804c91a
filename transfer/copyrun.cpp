#include "copyrun.h"

#include "messageboxes.h"
#include "runprogress.h"
#include "targetname.h"

#include <QtConcurrent/QtConcurrentRun>

#include <exception>

CopyRun::CopyRun(const GroupBoard &board, DriveA &drive, MessageBoxes &messages, RunProgress *progress)
    : board(board)
    , drive(drive)
    , messages(messages)
    , progress(progress)
{
    // Emitted on the worker, carried out on this object's thread.
    connect(this, &CopyRun::groupCopied, this, &CopyRun::markCopied);
    connect(this, &CopyRun::fileCopied, this, &CopyRun::showProgress);
    connect(&job, &QFutureWatcher<CopyOutcome>::finished, this, [this] {
        Report(job.result());
        emit finished();
    });
}

CopyRun::~CopyRun()
{
    job.waitForFinished();
}

void CopyRun::CmdStartCopy_Click()
{
    Report(copy(plan()));
}

void CopyRun::Start()
{
    if (isRunning())
        return;
    job.setFuture(QtConcurrent::run([this, plan = plan()] { return copy(plan); }));
}

QList<RunGroup> CopyRun::pendingGroups() const
{
    return readBoard().runGroups();
}

QList<RunGroup> CopyRun::Plan::runGroups() const
{
    QList<RunGroup> runGroups;
    for (int number : groups) {
        RunGroup group{number, items[number - 1], {}};
        for (const QString &source : group.sources)
            group.names.append(groupPrefix(number) + ReNaMe(source));
        runGroups.append(group);
    }
    return runGroups;
}

CopyRun::Plan CopyRun::plan()
{
    Plan plan = readBoard();
    filesCopied = 0;
    filesInRun = plan.fileCount;
    return plan;
}

CopyRun::Plan CopyRun::readBoard() const
{
    Plan plan;
    for (int number = 1; number <= GroupCount; ++number) {
        const GroupList &group = board.group(number);
        QStringList items;
        const int count = group.ListCount(); // taken once
        for (int index = 0; index < count; ++index)
            items.append(group.List(index));
        if (group.ForeColor() != CopiedColour && !items.isEmpty()) {
            plan.groups.append(number);
            plan.fileCount += int(items.size());
        }
        plan.items.append(items);
    }
    return plan;
}

// Touches no widget: it may run on any thread.
CopyOutcome CopyRun::copy(const Plan &plan)
{
    QStringList sources; // the drive never writes over any of them
    for (const QStringList &items : plan.items)
        sources += items;
    CopyOutcome outcome;
    try {
        drive.BeginRun(sources);
        outcome = drive.CheckGroupsFit(plan.runGroups());
        for (auto number = plan.groups.cbegin(); outcome.ok() && number != plan.groups.cend(); ++number) {
            outcome = copyGroup(*number, plan.items[*number - 1]);
            if (outcome.ok())
                emit groupCopied(*number);
        }
    } catch (const std::exception &failure) {
        outcome = {OtherFailure, tr("Unexpected failure: %1").arg(QString::fromLocal8Bit(failure.what()))};
    } catch (...) {
        outcome = {OtherFailure, tr("Unexpected failure")};
    }
    drive.EndRun();
    return outcome;
}

CopyOutcome CopyRun::copyGroup(int number, const QStringList &items)
{
    for (int index = 0; index < items.size(); ++index) {
        emit itemStarted(number, index);
        SourcePath = items[index];
        TargetName = groupPrefix(number) + ReNaMe(SourcePath);
        if (CopyOutcome outcome = drive.FileCopy(SourcePath, QStringLiteral("a:") + TargetName); !outcome.ok())
            return outcome;
        emit fileCopied();
    }
    // The group turns green only once its files are on the medium and read back.
    return drive.Flush();
}

void CopyRun::markCopied(int number)
{
    GroupList &group = board.group(number);
    group.SetForeColor(CopiedColour);
    group.Refresh();
}

void CopyRun::showProgress()
{
    if (progress)
        progress->Progress(++filesCopied, filesInRun);
}

void CopyRun::Report(const CopyOutcome &outcome)
{
    if (progress)
        progress->Clear();
    switch (outcome.code) {
    case NoFailure:
        messages.MsgBox(tr("       READY !"), MsgOkOnly, tr("The end is near..."));
        break;
    case DriveNotReady:
        messages.MsgBox(tr("DISK NOT READY !"), MsgCritical, tr("Did I forget something ?"));
        break;
    case DiskFull:
        messages.MsgBox(tr("DISK FULL: INSERT NEW DISK !"), MsgCritical, tr("I wish I had a harddisk in my korvana !"));
        break;
    case NoDiskHoldsGroup:
        messages.MsgBox(tr("CANNOT COPY: ") + outcome.reason, MsgCritical, tr("Copy to A:\\"));
        break;
    default: {
        const QString source = outcome.source.isEmpty() ? SourcePath : outcome.source;
        messages.MsgBox(tr("CANNOT COPY: ") + source + QLatin1Char('\n') + outcome.reason, MsgCritical,
                        tr("Copy to A:\\"));
        break;
    }
    }
}
