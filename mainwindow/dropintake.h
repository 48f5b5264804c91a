#pragma once

#include <QStringList>

class GroupList;
class QMimeData;

// The local files that dropped data carries as a file list (text/uri-list), in order;
// only full paths.
QStringList droppedFiles(const QMimeData &data);

// Appends every dropped file to the group, after the entries already there; a dropped
// folder gives the regular files in it. A green group that gets entries waits again.
void appendDroppedFiles(GroupList &group, const QMimeData &data);
