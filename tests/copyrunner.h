#pragma once

#include "copyrun.h"

// A whole copy run on this thread, as the window's job runs it on its worker: each
// finished group turns green, and the run ends in its message box.
inline void copyAndReport(GroupBoard &board, DriveA &drive, MessageBoxes &messages, RunListener listener = {})
{
    listener.groupCopied = [&board](int number) { board.markCopied(number); };
    reportRun(copyGroups(planRun(board), drive, listener), messages);
}

inline void copyAndReport(GroupBoard &&board, DriveA &drive, MessageBoxes &messages, RunListener listener = {})
{
    copyAndReport(board, drive, messages, std::move(listener));
}

// Styles dropped at the end of group number, which waits for the next run.
inline void addStyles(GroupBoard &board, int number, const QStringList &paths)
{
    board.insertEntries(number, int(board.group(number).entries.size()), paths);
    if (board.group(number).state == GroupState::Empty)
        board.setState(number, GroupState::Waiting);
}

inline bool isGreen(const GroupBoard &board, int number)
{
    return board.group(number).state == GroupState::Copied;
}

// "Empty GREEN groups only", before the next disk.
inline void emptyGreenGroups(GroupBoard &board)
{
    for (int number = 1; number <= GroupCount; ++number) {
        if (isGreen(board, number)) {
            board.takeEntries(number, 0, int(board.group(number).entries.size()));
            board.setState(number, GroupState::Empty);
        }
    }
}
