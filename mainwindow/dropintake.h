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

// Appends the files on the clipboard as a drop of them would. A file manager puts them
// there as a file list, or as x-special/gnome-copied-files: "copy" or "cut", then one
// address a line. Whether they were cut or copied, the files stay where they are.
void appendPastedFiles(GroupList &group, const QMimeData &clipboard);

// Appends paths as they are, with the colour that a drop gives the group.
void appendFiles(GroupList &group, const QStringList &files);
