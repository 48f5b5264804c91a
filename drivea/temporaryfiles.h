#pragma once

#include <QString>

// The temporary files that Dupliva makes on drive A. Each is recorded before it is made,
// in a folder of the user's own ($XDG_STATE_HOME/dupliva/unfinished), and forgotten once
// it has been renamed over its target or removed; so a run that was killed leaves nothing
// that the next run cannot find, and a file of the user's is never taken for one, whatever
// its name.
namespace TemporaryFiles {

// Records that path is about to be made. Where no record can be kept, the file is made
// anyway: a run killed then leaves it on the disk, which loses nothing.
void record(const QString &path);
void forget(const QString &path);

// Removes the recorded files in folder whose names start with prefix, and forgets them.
// A record made through another path to the same folder counts too.
void removeLeftovers(const QString &folder, const QString &prefix = {});

} // namespace TemporaryFiles
