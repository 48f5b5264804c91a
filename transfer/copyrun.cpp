#include "copyrun.h"

#include "fatname.h"
#include "messageboxes.h"
#include "runprogress.h"
#include "targetname.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <exception>
#include <utility>

namespace {

QString runText(const char *text)
{
    return QCoreApplication::translate("CopyRun", text);
}

bool insertNew(QSet<QString> &set, const QString &value)
{
    const qsizetype before = set.size();
    set.insert(value);
    return set.size() > before;
}

// The run's box names the earlier source, then the later one and the name.
CopyOutcome sameNameRefusal(const QString &earlier, const QString &later, const QString &diskName)
{
    return {OtherFailure,
            runText("%1 would be written under the same name %2 on drive A: the keyboard holds one style per name. "
                    "Move one of them to another group.")
                .arg(later, diskName),
            earlier};
}

// A file given twice under one path is one style, copied once. Two styles under one name
// on drive A, as FAT compares names, refuse the run: the keyboard would find only the one
// written last.
void planGroup(RunPlan &plan, int number, const QStringList &items)
{
    RunGroup group{number, {}, {}};
    QList<int> entries;
    QSet<QString> seen;
    QHash<QString, QString> sourceOfDiskName;
    for (int index = 0; index < items.size(); ++index) {
        const QString &source = items[index];
        if (!insertNew(seen, QDir::cleanPath(source)))
            continue;
        const QString name = groupPrefix(number) + ReNaMe(source);
        const QString diskName = fatDiskName(name);
        if (const QString earlier = sourceOfDiskName.value(diskName.toUpper()); earlier.isNull())
            sourceOfDiskName.insert(diskName.toUpper(), source);
        else if (plan.refusal.ok())
            plan.refusal = sameNameRefusal(earlier, source, diskName);
        group.sources.append(source);
        group.names.append(name);
        entries.append(index);
    }
    plan.groups.append(group);
    plan.entries.append(entries);
    plan.fileCount += int(group.sources.size());
}

// A failure names the style being copied unless it names its own.
CopyOutcome blaming(CopyOutcome outcome, const QString &source)
{
    if (!outcome.ok() && outcome.source.isEmpty())
        outcome.source = source;
    return outcome;
}

// Groups that reach the medium while the next is written turn green at once: announce is
// asked before each step.
CopyOutcome copyGroup(const RunGroup &group, const QList<int> &entries, DriveA &drive, const RunListener &listener,
                      const std::function<void()> &announce)
{
    if (CopyOutcome outcome = drive.BeginGroup(group); !outcome.ok())
        return outcome;
    for (qsizetype i = 0; i < group.sources.size(); ++i) {
        if (listener.stopRequested && listener.stopRequested())
            return {Stopped};
        if (listener.itemStarted)
            listener.itemStarted(group.number, entries[i], group.sources[i], group.names[i]);
        announce();
        const CopyOutcome outcome = drive.FileCopy(group.sources[i], group.names[i]);
        if (!outcome.ok())
            return blaming(outcome, group.sources[i]);
        if (listener.fileCopied)
            listener.fileCopied();
    }
    announce();
    // The group turns green only once its files are on the medium and read back.
    return blaming(drive.Flush(), group.sources.value(group.sources.size() - 1));
}

// The source that failed and why; a failure of drive A itself names drive A in its
// reason, and no style.
QString whatCannotBeCopied(const CopyOutcome &outcome)
{
    if (outcome.aboutDrive || outcome.code == NoDiskHoldsGroup)
        return outcome.reason;
    return outcome.source + QLatin1Char('\n') + outcome.reason;
}

} // namespace

RunPlan planRun(const BoardSnapshot &groups)
{
    RunPlan plan;
    for (int number = 1; number <= GroupCount; ++number) {
        const Group &group = groups[number - 1];
        if (group.state == GroupState::Waiting)
            planGroup(plan, number, group.entries);
        plan.sources += group.entries;
    }
    return plan;
}

RunPlan planRun(const GroupBoard &board)
{
    return planRun(board.snapshot());
}

// The groups flushed so far that the drive has put on the medium turn green, in order.
void announceGroupsOnDisk(const QList<int> &flushed, qsizetype *announced, const DriveA &drive, const RunListener &listener)
{
    const qsizetype onDisk = flushed.size() - std::min<qsizetype>(drive.groupsHeldBack(), flushed.size());
    for (; *announced < onDisk; ++*announced) {
        if (listener.groupCopied)
            listener.groupCopied(flushed[*announced]);
    }
}

CopyOutcome copyGroups(const RunPlan &plan, DriveA &drive, const RunListener &listener)
{
    if (!plan.refusal.ok())
        return plan.refusal;
    CopyOutcome outcome;
    QList<int> flushed;
    qsizetype announced = 0;
    const auto announce = [&] { announceGroupsOnDisk(flushed, &announced, drive, listener); };
    try {
        drive.BeginRun(plan.sources); // the drive never writes over any of them
        outcome = drive.CheckGroupsFit(plan.groups);
        for (qsizetype i = 0; outcome.ok() && i < plan.groups.size(); ++i) {
            outcome = copyGroup(plan.groups[i], plan.entries[i], drive, listener, announce);
            if (outcome.ok())
                flushed.append(plan.groups[i].number);
            announce();
        }
        // The groups finished before a failure or a stop still go onto the disk.
        const CopyOutcome finished = drive.FinishRun();
        announce();
        if (outcome.ok())
            outcome = finished;
    } catch (const std::exception &failure) {
        outcome = {OtherFailure, runText("Unexpected failure: %1").arg(QString::fromLocal8Bit(failure.what()))};
    } catch (...) {
        outcome = {OtherFailure, runText("Unexpected failure")};
    }
    drive.EndRun();
    return outcome;
}

void reportRun(const CopyOutcome &outcome, MessageBoxes &messages)
{
    switch (outcome.code) {
    case NoFailure:
        messages.MsgBox(runText("       READY !"), MsgOkOnly, runText("The end is near..."));
        break;
    case Stopped:
        break;
    case DriveNotReady:
        messages.MsgBox(runText("DISK NOT READY !"), MsgCritical, runText("Did I forget something ?"));
        break;
    case DiskFull:
        messages.MsgBox(runText("DISK FULL: INSERT NEW DISK !"), MsgCritical, runText("I wish I had a harddisk in my korvana !"));
        break;
    default:
        messages.MsgBox(runText("CANNOT COPY: ") + whatCannotBeCopied(outcome), MsgCritical, runText("Copy to A:\\"));
        break;
    }
}

CopyRun::CopyRun(GroupBoard &board, DriveA &drive, MessageBoxes &messages, RunProgress *progress)
    : board(board)
    , drive(drive)
    , messages(messages)
    , progress(progress)
{
    // Emitted on the worker, carried out on this object's thread.
    qRegisterMetaType<DiskCopy>();
    connect(this, &CopyRun::groupCopied, &board, &GroupBoard::markCopied);
    connect(this, &CopyRun::fileCopied, this, &CopyRun::showProgress);
    connect(this, &CopyRun::copying, this, [this](int number, int index, const QString &source, const QString &target) {
        sourcePath = source;
        targetName = target;
        emit itemStarted(number, index);
    });
}

void CopyRun::ended(const CopyOutcome &outcome)
{
    if (progress)
        progress->Clear();
    reportRun(outcome, messages);
    emit finished();
}

void CopyRun::Start()
{
    if (isRunning())
        return;
    const RunPlan plan = planRun(board);
    filesCopied = 0;
    filesInRun = plan.fileCount;
    RunListener listener;
    listener.itemStarted = [this](int number, int index, const QString &source, const QString &target) {
        emit copying(number, index, source, target);
    };
    listener.fileCopied = [this] { emit fileCopied(); };
    // Called once the group is on the medium, so the drive names the disk that holds it.
    listener.groupCopied = [this](int number) {
        emit groupCopied(number, {drive.diskInDrive(), QDateTime::currentDateTime()});
    };
    listener.stopRequested = [this] { return job.stopRequested(); };
    job.start([this, plan, listener] { return copyGroups(plan, drive, listener); });
}

QList<RunGroup> CopyRun::pendingGroups() const
{
    return planRun(board).groups;
}

void CopyRun::showProgress()
{
    if (progress)
        progress->Progress(++filesCopied, filesInRun);
}
