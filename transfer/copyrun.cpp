#include "copyrun.h"

#include "fatname.h"
#include "messageboxes.h"
#include "runprogress.h"
#include "targetname.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <utility>

namespace {

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
            CopyRun::tr("%1 would be written under the same name %2 on drive A: the keyboard holds one style per "
                        "name. Move one of them to another group.")
                .arg(later, diskName),
            earlier};
}

} // namespace

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
    return readBoard().groups;
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
        if (group.ForeColor() != CopiedColour && !items.isEmpty())
            planGroup(plan, number, items);
        plan.sources += items;
    }
    return plan;
}

// A file given twice, under one path, is one style, copied once. Two styles under one name on drive A, as
// FAT compares names, refuse the run: the keyboard would find only the one written last.
void CopyRun::planGroup(Plan &plan, int number, const QStringList &items)
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

// Touches no widget: it may run on any thread.
CopyOutcome CopyRun::copy(const Plan &plan)
{
    if (!plan.refusal.ok())
        return plan.refusal;
    CopyOutcome outcome;
    try {
        drive.BeginRun(plan.sources); // the drive never writes over any of them
        outcome = drive.CheckGroupsFit(plan.groups);
        for (qsizetype i = 0; outcome.ok() && i < plan.groups.size(); ++i) {
            outcome = copyGroup(plan.groups[i], plan.entries[i]);
            if (outcome.ok())
                emit groupCopied(plan.groups[i].number);
        }
    } catch (const std::exception &failure) {
        outcome = {OtherFailure, tr("Unexpected failure: %1").arg(QString::fromLocal8Bit(failure.what()))};
    } catch (...) {
        outcome = {OtherFailure, tr("Unexpected failure")};
    }
    drive.EndRun();
    return outcome;
}

CopyOutcome CopyRun::copyGroup(const RunGroup &group, const QList<int> &entries)
{
    if (CopyOutcome outcome = drive.BeginGroup(group); !outcome.ok())
        return outcome;
    for (qsizetype i = 0; i < group.sources.size(); ++i) {
        emit itemStarted(group.number, entries[i]);
        SourcePath = group.sources[i];
        TargetName = group.names[i];
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
    default:
        messages.MsgBox(tr("CANNOT COPY: ") + whatCannotBeCopied(outcome), MsgCritical, tr("Copy to A:\\"));
        break;
    }
}

// The source that failed and why; a failure of drive A itself names drive A in its
// reason, and no style.
QString CopyRun::whatCannotBeCopied(const CopyOutcome &outcome) const
{
    if (outcome.aboutDrive || outcome.code == NoDiskHoldsGroup)
        return outcome.reason;
    const QString source = outcome.source.isEmpty() ? SourcePath : outcome.source;
    return source + QLatin1Char('\n') + outcome.reason;
}
