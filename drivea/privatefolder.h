#pragma once

#include "filedescriptor.h"

#include <QString>

// A folder of the program's own in the temporary folder ($TMPDIR), "dupliva-" and a name
// that no file there has, readable by the user alone. It is recorded as a temporary file
// before it is made, so that the next start removes it when the program was killed, and
// held locked while it lives, so that another Dupliva starting meanwhile leaves it alone.
// When it goes, it is removed with everything in it and forgotten.
class PrivateFolder {
public:
    PrivateFolder();
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder &) = delete;
    PrivateFolder &operator=(const PrivateFolder &) = delete;

    bool isValid() const { return !folderPath.isEmpty(); }
    QString path() const { return folderPath; }
    QString filePath(const QString &name) const { return folderPath + QLatin1Char('/') + name; }
    // Why the folder could not be made, naming the temporary folder.
    QString errorString() const { return failure; }

private:
    bool make(const QString &name);
    bool lockMade(const QString &path);

    QString parent;
    QString folderName;
    QString folderPath;
    QString failure;
    FileDescriptor lock;
};

// Why no folder can be made in the temporary folder, for the system's error (errno): "The
// temporary folder /tmp is full".
QString whyNoTemporaryFolder(const QString &folder, int error);

// Removes the private folders that a killed program left in the temporary folder.
void removeLeftoverPrivateFolders();
