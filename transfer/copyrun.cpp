#include "copyrun.h"

#include "messageboxes.h"
#include "runprogress.h"
#include "targetname.h"

#include <algorithm>

CopyRun::CopyRun(const GroupBoard &board, DriveA &drive, MessageBoxes &messages, RunProgress *progress)
    : board(board)
    , drive(drive)
    , messages(messages)
    , progress(progress)
{
}

void CopyRun::CmdStartCopy_Click()
{
    Report(Copy());
}

CopyOutcome CopyRun::Copy()
{
    filesCopied = 0;
    filesInRun = pendingFileCount();
    // Each group's item count is taken once; the drive never writes over any of the items.
    const QList<QStringList> items = boardItems();
    QStringList sources;
    for (const QStringList &groupItems : items)
        sources += groupItems;
    drive.BeginRun(sources);
    CopyOutcome outcome;
    try {
        outcome = copyPendingGroups(items);
    } catch (...) {
        // An unexpected failure is reported further up; the drive is let go all the same.
        endRun();
        throw;
    }
    endRun();
    return outcome;
}

void CopyRun::endRun()
{
    drive.EndRun();
    if (progress)
        progress->Clear();
}

bool CopyRun::isPending(int number) const
{
    const GroupList &group = board.group(number);
    return group.ForeColor() != CopiedColour && group.ListCount() > 0;
}

QList<QStringList> CopyRun::boardItems() const
{
    QList<QStringList> items;
    for (int number = 1; number <= GroupCount; ++number) {
        const GroupList &group = board.group(number);
        const int count = group.ListCount();
        QStringList groupItems;
        for (int j = 1; j <= count; ++j)
            groupItems.append(group.List(j - 1));
        items.append(groupItems);
    }
    return items;
}

int CopyRun::pendingFileCount() const
{
    int count = 0;
    for (int number = 1; number <= GroupCount; ++number) {
        if (isPending(number))
            count += board.group(number).ListCount();
    }
    return count;
}

CopyOutcome CopyRun::copyPendingGroups(const QList<QStringList> &items)
{
    for (int number = 1; number <= GroupCount; ++number) {
        if (!isPending(number))
            continue;
        if (CopyOutcome outcome = copyGroup(number, items[number - 1]); !outcome.ok())
            return outcome;
        GroupList &group = board.group(number);
        group.SetForeColor(CopiedColour);
        group.Refresh();
    }
    return {};
}

CopyOutcome CopyRun::copyGroup(int number, const QStringList &items)
{
    for (const QString &item : items) {
        SourcePath = item;
        TargetName = groupPrefix(number) + ReNaMe(SourcePath);
        if (CopyOutcome outcome = drive.FileCopy(SourcePath, QStringLiteral("a:") + TargetName); !outcome.ok())
            return outcome;
        ++filesCopied;
        showProgress();
    }
    // The group turns green only once its files are on the medium and read back.
    return drive.Flush();
}

void CopyRun::showProgress()
{
    // A group that grew while it was copied may carry the count past the run's total.
    if (progress)
        progress->Progress(filesCopied, std::max(filesCopied, filesInRun));
}

void CopyRun::Report(const CopyOutcome &outcome)
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
    default: {
        const QString source = outcome.source.isEmpty() ? SourcePath : outcome.source;
        messages.MsgBox(QStringLiteral("CANNOT COPY: ") + source + QLatin1Char('\n') + outcome.reason, MsgCritical,
                        QStringLiteral("Copy to A:\\"));
        break;
    }
    }
}
