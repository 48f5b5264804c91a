#include "groupcommands.h"

#include "groupboard.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUndoCommand>

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

QString commandText(const char *text, int n = -1)
{
    return QCoreApplication::translate("GroupCommands", text, nullptr, n);
}

// "Remove 01Samba.sty" for one style, "Remove 3 styles" for more; written once for each,
// so that it reads right where no translation is loaded.
QString naming(const char *one, const char *many, const QStringList &paths, const QString &group = {})
{
    if (paths.size() != 1)
        return group.isEmpty() ? commandText(many, int(paths.size())) : commandText(many, int(paths.size())).arg(group);
    const QString name = QFileInfo(paths.first()).fileName();
    return group.isEmpty() ? commandText(one).arg(name) : commandText(one).arg(name, group);
}

class AddEntries : public QUndoCommand {
public:
    AddEntries(GroupBoard &board, int number, const QStringList &paths, QUndoCommand *parent = nullptr)
        : QUndoCommand(parent)
        , board(board)
        , number(number)
        , paths(paths)
    {
    }

    void redo() override
    {
        before = {board.group(number).state, board.group(number).copy};
        row = int(board.group(number).entries.size());
        // The state first: a view then tells the change of state and the arrivals together.
        board.setState(number, GroupState::Waiting);
        board.insertEntries(number, row, paths);
    }

    void undo() override
    {
        board.takeEntries(number, row, int(paths.size()));
        board.setState(number, before.first, before.second);
    }

private:
    GroupBoard &board;
    const int number;
    const QStringList paths;
    int row = 0;
    std::pair<GroupState, DiskCopy> before;
};

// Rows in ascending order, each once.
class RemoveEntries : public QUndoCommand {
public:
    RemoveEntries(GroupBoard &board, int number, const QList<int> &rows, QUndoCommand *parent = nullptr)
        : QUndoCommand(parent)
        , board(board)
        , number(number)
        , rows(rows)
    {
    }

    // Rows that follow each other go out together: emptying a group of thousands is one change.
    void redo() override
    {
        before = {board.group(number).state, board.group(number).copy};
        taken.clear();
        for (qsizetype end = rows.size(); end > 0;) {
            qsizetype start = end - 1;
            while (start > 0 && rows[start - 1] == rows[start] - 1)
                --start;
            taken = board.takeEntries(number, rows[start], int(end - start)) + taken;
            end = start;
        }
        if (board.group(number).entries.isEmpty())
            board.setState(number, GroupState::Empty);
    }

    void undo() override
    {
        for (qsizetype start = 0; start < rows.size();) {
            qsizetype end = start + 1;
            while (end < rows.size() && rows[end] == rows[end - 1] + 1)
                ++end;
            board.insertEntries(number, rows[start], taken.mid(start, end - start));
            start = end;
        }
        board.setState(number, before.first, before.second);
    }

private:
    GroupBoard &board;
    const int number;
    const QList<int> rows;
    QStringList taken;
    std::pair<GroupState, DiskCopy> before;
};

// The rows that name entries of the group, in order, each once.
QList<int> existingRows(const GroupBoard &board, int number, QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int count = int(board.group(number).entries.size());
    rows.removeIf([count](int row) { return row < 0 || row >= count; });
    return rows;
}

QStringList entriesAt(const GroupBoard &board, int number, const QList<int> &rows)
{
    QStringList paths;
    for (const int row : rows)
        paths.append(board.group(number).entries[row]);
    return paths;
}

std::unique_ptr<QUndoCommand> emptyGroups(GroupBoard &board, const QString &text, bool greenOnly)
{
    auto command = std::make_unique<QUndoCommand>(text);
    for (int number = 1; number <= GroupCount; ++number) {
        const Group &group = board.group(number);
        if (!group.entries.isEmpty() && (!greenOnly || group.state == GroupState::Copied)) {
            QList<int> all(group.entries.size());
            std::iota(all.begin(), all.end(), 0);
            new RemoveEntries(board, number, all, command.get());
        }
    }
    return command->childCount() > 0 ? std::move(command) : nullptr;
}

} // namespace

std::unique_ptr<QUndoCommand> addFiles(GroupBoard &board, int number, const QStringList &paths, Arrival arrival)
{
    if (paths.isEmpty())
        return nullptr;
    auto command = std::make_unique<AddEntries>(board, number, paths);
    command->setText(arrival == Arrival::Drop ? naming("Drop %1", "Drop %n styles", paths)
                                              : naming("Paste %1", "Paste %n styles", paths));
    return command;
}

std::unique_ptr<QUndoCommand> removeEntries(GroupBoard &board, int number, QList<int> rows)
{
    rows = existingRows(board, number, rows);
    if (rows.isEmpty())
        return nullptr;
    auto command = std::make_unique<RemoveEntries>(board, number, rows);
    command->setText(naming("Remove %1", "Remove %n styles", entriesAt(board, number, rows)));
    return command;
}

std::unique_ptr<QUndoCommand> moveEntries(GroupBoard &board, int from, QList<int> rows, int to)
{
    rows = existingRows(board, from, rows);
    if (rows.isEmpty() || from == to)
        return nullptr;
    const QStringList paths = entriesAt(board, from, rows);
    auto command = std::make_unique<QUndoCommand>(
        naming("Move %1 to Group %2", "Move %n styles to Group %2", paths, groupPrefix(to)));
    new RemoveEntries(board, from, rows, command.get());
    new AddEntries(board, to, paths, command.get());
    return command;
}

std::unique_ptr<QUndoCommand> emptyGreenGroups(GroupBoard &board)
{
    return emptyGroups(board, commandText("Empty GREEN groups"), true);
}

std::unique_ptr<QUndoCommand> emptyAllGroups(GroupBoard &board)
{
    return emptyGroups(board, commandText("Empty ALL groups"), false);
}
