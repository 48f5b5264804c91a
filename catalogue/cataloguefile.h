#pragma once

#include <QString>

// The catalogue's database file: opened, checked, moved aside when damaged, and brought
// to the current layout of its tables.

struct CatalogueFile {
    QString error; // empty when the connection is open and ready
    QString movedAside; // what became of a damaged file, to tell once
};

// Opens the file at path on a new connection named connection. On failure the connection
// is removed again.
CatalogueFile openCatalogueFile(const QString &connection, const QString &path);
