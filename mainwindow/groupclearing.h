#pragma once

class GroupBoard;

// "Empty GREEN groups only": empties the groups that have been copied.
void EmptyGreenGroups(const GroupBoard &board);

// "Empty ALL": empties every group.
void EmptyAllGroups(const GroupBoard &board);
