#include "dropintake.h"

#include "localname.h"

#include <QMimeData>
#include <QUrl>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

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

// Follows symbolic links, as the copy run does when it reads the file.
bool hasType(const QByteArray &path, mode_t type)
{
    struct stat status {};
    return ::stat(path.constData(), &status) == 0 && (status.st_mode & S_IFMT) == type;
}

// The regular files directly in folder, in the order of their names, each as a full
// path. Hidden files, such as a file manager's ".directory", are no styles.
QStringList filesInFolder(const QString &folder)
{
    const QString folderPath = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    const QByteArray folderName = localName(folderPath);
    DIR *directory = ::opendir(folderName.constData());
    if (!directory)
        return {};
    QStringList names;
    while (const dirent *entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith('.') && hasType(folderName + name, S_IFREG))
            names.append(fromLocalName(name));
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end());
    for (QString &name : names)
        name.prepend(folderPath);
    return names;
}

// A folder stands for the files in it; any other path stays as it is, one that does not
// exist too: the copy run reports it.
QStringList withFoldersOpened(const QStringList &paths)
{
    QStringList files;
    for (const QString &path : paths)
        files += hasType(localName(path), S_IFDIR) ? filesInFolder(path) : QStringList{path};
    return files;
}

// The addresses of x-special/gnome-copied-files as a file list; empty for anything else.
QByteArray uriListOfCopiedFiles(const QMimeData &clipboard)
{
    QList<QByteArray> lines = clipboard.data(QStringLiteral("x-special/gnome-copied-files")).split('\n');
    const QByteArray operation = lines.takeFirst().trimmed();
    return operation == "copy" || operation == "cut" ? lines.join('\n') : QByteArray();
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

QStringList filesOfDrop(const QMimeData &data)
{
    return withFoldersOpened(droppedFiles(data));
}

QStringList filesOfClipboard(const QMimeData &clipboard)
{
    if (clipboard.hasUrls())
        return filesOfDrop(clipboard);
    QMimeData fileList;
    fileList.setData(QStringLiteral("text/uri-list"), uriListOfCopiedFiles(clipboard));
    return filesOfDrop(fileList);
}
