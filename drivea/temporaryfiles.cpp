#include "temporaryfiles.h"

#include "filedescriptor.h"
#include "localname.h"

#include <QCryptographicHash>
#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString recordFolder()
{
    QString state = fromLocalName(qgetenv("XDG_STATE_HOME"));
    if (!state.startsWith(QLatin1Char('/')))
        state = fromLocalName(qgetenv("HOME")) + QStringLiteral("/.local/state");
    return state + QStringLiteral("/dupliva/unfinished");
}

// Makes folder and the folders above it that are missing; true when it is there.
bool makeFolders(const QByteArray &folder)
{
    for (qsizetype slash = folder.indexOf('/', 1); slash > 0; slash = folder.indexOf('/', slash + 1))
        ::mkdir(folder.left(slash).constData(), 0777);
    return ::mkdir(folder.constData(), 0777) == 0 || errno == EEXIST;
}

// A record holds the folder's path and the prefix, each on a line of its own.
QByteArray recordText(const QString &folder, const QString &prefix)
{
    return localName(folder).toPercentEncoding("/") + '\n' + localName(prefix).toPercentEncoding() + '\n';
}

QByteArray recordPath(const QByteArray &text)
{
    const QByteArray key = QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex().left(32);
    return localName(recordFolder()) + '/' + key;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno != EINTR)
            return false;
        done += std::max<ssize_t>(put, 0);
    }
    return true;
}

QByteArray readRecord(const QByteArray &recordFile)
{
    QFile file;
    const int fd = ::open(recordFile.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return {};
    return file.read(16384);
}

bool isSameFolder(const QByteArray &path, const struct stat &folder)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && info.st_dev == folder.st_dev && info.st_ino == folder.st_ino;
}

bool removeWithContents(int folder, const char *name);

// Removes everything in the folder open at fd; true when the folder is empty.
bool removeContents(FileDescriptor fd)
{
    DIR *listing = ::fdopendir(fd.get());
    if (!listing)
        return false;
    fd.release(); // the listing closes it
    bool allGone = true;
    while (const dirent *entry = ::readdir(listing)) {
        if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0 && !removeWithContents(dirfd(listing), entry->d_name))
            allGone = false;
    }
    ::closedir(listing);
    return allGone;
}

// Removes name in folder, a folder with everything in it, a symbolic link as a link. A
// folder that a running program holds locked (flock) is in use and stays.
bool removeWithContents(int folder, const char *name)
{
    if (::unlinkat(folder, name, 0) == 0 || errno == ENOENT)
        return true;
    if (errno != EISDIR)
        return false;
    const FileDescriptor fd(::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return fd && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && removeContents(FileDescriptor(::fcntl(fd.get(), F_DUPFD_CLOEXEC, 0)))
        && ::unlinkat(folder, name, AT_REMOVEDIR) == 0;
}

// Removes the regular files and the folders in folder whose names start with prefix; true
// when none is left.
bool removeEntriesStartingWith(const QByteArray &folder, const QByteArray &prefix)
{
    DIR *listing = ::opendir(folder.constData());
    if (!listing)
        return errno == ENOENT;
    bool allGone = true;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        struct stat info {};
        if (!name.startsWith(prefix) || ::fstatat(dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) < 0
            || !(S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)))
            continue;
        if (!removeWithContents(dirfd(listing), entry->d_name))
            allGone = false;
    }
    ::closedir(listing);
    return allGone;
}

} // namespace

namespace TemporaryFiles {

void record(const QString &folder, const QString &prefix)
{
    const QString records = recordFolder();
    if (!makeFolders(localName(records)))
        return;
    ::chmod(localName(records).constData(), 0700);
    const QByteArray text = recordText(folder, prefix), file = recordPath(text);
    const FileDescriptor fd(::open(file.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd && !writeAll(fd.get(), text))
        ::unlink(file.constData());
}

void forget(const QString &folder, const QString &prefix)
{
    ::unlink(recordPath(recordText(folder, prefix)).constData());
}

void removeLeftovers(const QString &folder, const QString &within)
{
    struct stat folderInfo {};
    const QByteArray records = localName(recordFolder());
    DIR *listing = ::opendir(records.constData());
    if (!listing)
        return;
    if (::stat(localName(folder).constData(), &folderInfo) < 0) {
        ::closedir(listing);
        return;
    }
    QList<QByteArray> done;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray recordFile = records + '/' + entry->d_name;
        const QList<QByteArray> lines = entry->d_name[0] == '.' ? QList<QByteArray>() : readRecord(recordFile).split('\n');
        if (lines.size() < 2)
            continue;
        const QByteArray recordedFolder = QByteArray::fromPercentEncoding(lines[0]), prefix = QByteArray::fromPercentEncoding(lines[1]);
        if (prefix.isEmpty() || !prefix.startsWith(localName(within)) || !isSameFolder(recordedFolder, folderInfo))
            continue;
        if (removeEntriesStartingWith(recordedFolder, prefix))
            done.append(recordFile);
    }
    ::closedir(listing);
    for (const QByteArray &recordFile : std::as_const(done))
        ::unlink(recordFile.constData());
}

QStringList recordedPrefixes(const QString &folder, const QString &within)
{
    struct stat folderInfo {};
    const QByteArray records = localName(recordFolder());
    if (::stat(localName(folder).constData(), &folderInfo) < 0)
        return {};
    DIR *listing = ::opendir(records.constData());
    if (!listing)
        return {};
    QStringList prefixes;
    while (const dirent *entry = ::readdir(listing)) {
        const QList<QByteArray> lines = entry->d_name[0] == '.' ? QList<QByteArray>() : readRecord(records + '/' + entry->d_name).split('\n');
        if (lines.size() < 2)
            continue;
        const QByteArray prefix = QByteArray::fromPercentEncoding(lines[1]);
        if (!prefix.isEmpty() && prefix.startsWith(localName(within)) && isSameFolder(QByteArray::fromPercentEncoding(lines[0]), folderInfo))
            prefixes.append(fromLocalName(prefix));
    }
    ::closedir(listing);
    return prefixes;
}

} // namespace TemporaryFiles
