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
