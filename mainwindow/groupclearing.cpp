#include "groupclearing.h"

#include "groupboard.h"

void EmptyGreenGroups(const GroupBoard &board)
{
    for (int number = 1; number <= GroupCount; ++number) {
        GroupList &group = board.group(number);
        if (group.ForeColor() == CopiedColour) {
            group.Clear();
            group.SetForeColor(PendingColour);
        }
    }
}

void EmptyAllGroups(const GroupBoard &board)
{
    for (int number = 1; number <= GroupCount; ++number)
        board.group(number).Clear();
    for (int number = 1; number <= GroupCount; ++number)
        board.group(number).SetForeColor(PendingColour);
}
