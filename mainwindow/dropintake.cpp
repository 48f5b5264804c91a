#include "dropintake.h"

#include "groupboard.h"

#include <QMimeData>
#include <QUrl>

namespace {

// Another program's file list may hold a relative "file:" address or an escaped NUL:
// neither names a file that the copy run could read later.
bool isFullPath(const QString &path)
{
    return path.startsWith(QLatin1Char('/')) && !path.contains(QChar::Null);
}

} // namespace

QStringList droppedFiles(const QMimeData &data)
{
    QStringList files;
    if (!data.hasUrls())
        return files;
    for (const QUrl &url : data.urls()) {
        if (const QString path = url.toLocalFile(); url.isLocalFile() && isFullPath(path))
            files.append(path);
    }
    return files;
}

void appendDroppedFiles(GroupList &group, const QMimeData &data)
{
    for (const QString &file : droppedFiles(data))
        group.AddItem(file);
}
