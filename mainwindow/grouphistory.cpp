#include "grouphistory.h"

#include "groupboard.h"

GroupHistory::GroupHistory(const GroupBoard &board)
    : board(board)
{
}

void GroupHistory::record(const QList<int> &groups, const std::function<void()> &change)
{
    Step before = snapshot(groups);
    change();
    if (snapshot(groups) == before)
        return;
    steps.append(std::move(before));
    if (steps.size() > Depth)
        steps.removeFirst();
}

void GroupHistory::undo()
{
    if (steps.isEmpty())
        return;
    for (const GroupState &state : steps.takeLast()) {
        GroupList &group = board.group(state.number);
        group.Clear();
        for (const QString &entry : state.entries)
            group.AddItem(entry);
        group.SetForeColor(state.colour);
    }
}

GroupHistory::Step GroupHistory::snapshot(const QList<int> &groups) const
{
    Step step;
    for (const int number : groups) {
        const GroupList &group = board.group(number);
        QStringList entries;
        entries.reserve(group.ListCount());
        for (int index = 0; index < group.ListCount(); ++index)
            entries.append(group.List(index));
        step.append({number, entries, group.ForeColor()});
    }
    return step;
}
