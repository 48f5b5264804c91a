#pragma once

#include <QString>

// The name under which a style is written, before the group's prefix goes in front:
// the file-name part of sourcePath without its first two characters, the style's own
// number. Both "\" and "/" separate folders; a path without either is a file name.
// A name shorter than two characters is kept whole.
QString ReNaMe(const QString &sourcePath);
