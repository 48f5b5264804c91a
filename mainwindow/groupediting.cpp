#include "groupediting.h"

#include "dropintake.h"
#include "grouplistbox.h"

void RemoveEntry(GroupListBox &list, int index)
{
    list.RemoveItem(index);
    if (list.ListCount() == 0)
        list.SetForeColor(PendingColour);
}

void MoveEntry(GroupListBox &from, int index, GroupList &to)
{
    const QString entry = from.List(index);
    RemoveEntry(from, index);
    appendFiles(to, {entry});
}
