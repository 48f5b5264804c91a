#include "dropintake.h"

#include "groupboard.h"

#include <QMimeData>
#include <QUrl>

QStringList droppedFiles(const QMimeData &data)
{
    QStringList files;
    if (!data.hasUrls())
        return files;
    for (const QUrl &url : data.urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    return files;
}

void appendDroppedFiles(GroupList &group, const QMimeData &data)
{
    for (const QString &file : droppedFiles(data))
        group.AddItem(file);
}
