#pragma once

#include <QList>
#include <QStringList>

#include <memory>

class GroupBoard;
class QUndoCommand;

// The user's commands on the board, each one step of a QUndoStack under the name that its
// menu entry reads: redo() does the work, undo() puts the groups back as they were, their
// state included. Each is null when it would change nothing.

enum class Arrival { Drop, Paste };

// The files go to the end of the group, which waits for the next run whatever it was.
std::unique_ptr<QUndoCommand> addFiles(GroupBoard &board, int number, const QStringList &paths, Arrival arrival);

// A group left without entries is empty; one that keeps entries keeps its state, since
// the copied ones are still on the disk.
std::unique_ptr<QUndoCommand> removeEntries(GroupBoard &board, int number, QList<int> rows);

// The entries go to the end of the other group, as if dropped there.
std::unique_ptr<QUndoCommand> moveEntries(GroupBoard &board, int from, QList<int> rows, int to);

// "Empty GREEN groups only": the groups that are on a disk.
std::unique_ptr<QUndoCommand> emptyGreenGroups(GroupBoard &board);

// "Empty ALL groups".
std::unique_ptr<QUndoCommand> emptyAllGroups(GroupBoard &board);
