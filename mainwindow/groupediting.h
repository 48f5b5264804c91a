#pragma once

class GroupList;
class GroupListBox;

// Takes one entry out of its group. A group left without entries is empty and dark red,
// as the clearing commands leave it; one that keeps entries keeps its colour, since the
// copied ones are still on the disk.
void RemoveEntry(GroupListBox &list, int index);

// Takes one entry to the end of another group, which waits for the next run again if it
// was green, as after a drop.
void MoveEntry(GroupListBox &from, int index, GroupList &to);
