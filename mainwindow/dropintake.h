#pragma once

#include <QStringList>

class QMimeData;

// The local files that dropped data carries as a file list (text/uri-list), in order;
// only full paths.
QStringList droppedFiles(const QMimeData &data);

// The files that a drop of data brings, in order: a dropped folder gives the regular files
// in it.
QStringList filesOfDrop(const QMimeData &data);

// The files on the clipboard, as a drop of them would bring them. A file manager puts them
// there as a file list, or as x-special/gnome-copied-files: "copy" or "cut", then one
// address a line. Whether they were cut or copied, the files stay where they are.
QStringList filesOfClipboard(const QMimeData &clipboard);
