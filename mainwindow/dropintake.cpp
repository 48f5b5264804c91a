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

// A file on this computer: "file:///path" or "file://localhost/path". A file address
// with another host names a file elsewhere, which is no more a local file than a web
// address is. The path keeps its bytes as they are, also those that are no UTF-8,
// which toLocalFile() would lose.
QString localPath(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        return {};
    const QString path = fromLocalName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    return isFullPath(path) ? path : QString();
}

} // namespace

QStringList droppedFiles(const QMimeData &data)
{
    QStringList files;
    if (!data.hasUrls())
        return files;
    for (const QUrl &url : data.urls()) {
        if (const QString path = localPath(url); !path.isEmpty())
            files.append(path);
    }
    return files;
}

void appendDroppedFiles(GroupList &group, const QMimeData &data)
{
    for (const QString &file : droppedFiles(data))
        group.AddItem(file);
}
