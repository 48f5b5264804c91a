#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// File names as Linux keeps them: any bytes but "/" and NUL. A byte that is not part of
// a UTF-8 character travels in a QString as the lone surrogate U+DC80 to U+DCFF of the
// same low byte, so that the name comes back byte for byte.
QByteArray localName(const QString &name);
QString fromLocalName(const QByteArray &bytes);

// path from the root, as the current folder continues it, without "." and ".." in it.
QString absolutePath(const QString &path);

// The folder that holds path, from the root.
QString folderOf(const QString &path);

// The names in folder, without "." and "..", each byte for byte; none when it cannot be read.
QStringList namesIn(const QString &folder);

// The size of the file at path; 0 when it cannot be reached.
qint64 fileSize(const QString &path);

// The first byte of name that is not part of a character, or -1.
int firstStrayByte(const QString &name);
