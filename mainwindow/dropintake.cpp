#include "dropintake.h"

#include "groupboard.h"
#include "localname.h"

#include <QMimeData>
#include <QUrl>

namespace {

// Another program's file list may hold a relative "file:" address or an escaped NUL:
// neither names a file that the copy run could read later.
bool isFullPath(const QString &path)
{
    return path.startsWith(QLatin1Char('/')) && !path.contains(QChar::Null);
}

// The path's bytes as they are, also those that are no UTF-8, which toLocalFile() would lose.
QString localPath(const QUrl &url)
{
    return fromLocalName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

} // namespace

QStringList droppedFiles(const QMimeData &data)
{
    QStringList files;
    if (!data.hasUrls())
        return files;
    for (const QUrl &url : data.urls()) {
        if (const QString path = localPath(url); url.isLocalFile() && isFullPath(path))
            files.append(path);
    }
    return files;
}

void appendDroppedFiles(GroupList &group, const QMimeData &data)
{
    for (const QString &file : droppedFiles(data))
        group.AddItem(file);
}
