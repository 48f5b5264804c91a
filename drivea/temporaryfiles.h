#pragma once

#include <QString>
#include <QStringList>

// The temporary files that Dupliva makes on drive A and its private folders in the
// temporary folder. Before any is made, the folder and the start of their names are
// recorded in a folder of the user's own ($XDG_STATE_HOME/dupliva/unfinished), a start
// that no file there has yet; the record is forgotten once they are renamed over their
// targets or removed. So a run that was killed leaves nothing that the next run cannot
// find, and a file of the user's is never taken for one, whatever its name.
namespace TemporaryFiles {

// Records that files whose names start with prefix are about to be made in folder. Where
// no record can be kept, they are made anyway: a run killed then leaves them on the
// disk, which loses nothing.
void record(const QString &folder, const QString &prefix);
void forget(const QString &folder, const QString &prefix);

// Removes the files that the records of folder name, of those records whose prefix starts
// with within, and forgets them: regular files, and folders with everything in them, a
// symbolic link in them removed, never followed. A folder that a running program holds
// locked (flock) is in use and stays. A record made through another path to the same
// folder counts too.
void removeLeftovers(const QString &folder, const QString &within);

// The prefixes recorded for folder that start with within, such as those of a floppy
// device's temporary folders, which only mtools can remove; a record made through another
// path to the same folder counts too.
QStringList recordedPrefixes(const QString &folder, const QString &within);

} // namespace TemporaryFiles
