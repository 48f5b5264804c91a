#include "temporaryfiles.h"

#include "localname.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString recordFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.startsWith(QLatin1Char('/')))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/dupliva/unfinished");
}

QByteArray recordPath(const QByteArray &path)
{
    const QByteArray key = QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex().left(32);
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
    return file.read(8192);
}

bool isFolder(const QByteArray &path, const struct stat &folder)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && info.st_dev == folder.st_dev && info.st_ino == folder.st_ino;
}

// Removes the recorded file; true when it is gone.
bool removeRecorded(const QByteArray &path)
{
    struct stat info {};
    if (::lstat(path.constData(), &info) < 0)
        return errno == ENOENT;
    return S_ISREG(info.st_mode) && ::unlink(path.constData()) == 0;
}

} // namespace

namespace TemporaryFiles {

void record(const QString &path)
{
    const QString folder = recordFolder();
    if (!QDir().mkpath(folder))
        return;
    ::chmod(localName(folder).constData(), 0700);
    const QByteArray file = recordPath(localName(path));
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    if (!writeAll(fd, localName(path)))
        ::unlink(file.constData());
    ::close(fd);
}

void forget(const QString &path)
{
    ::unlink(recordPath(localName(path)).constData());
}

void removeLeftovers(const QString &folder, const QString &prefix)
{
    struct stat folderInfo {};
    const QByteArray records = localName(recordFolder());
    DIR *listing = ::opendir(records.constData());
    if (!listing || ::stat(localName(folder).constData(), &folderInfo) < 0) {
        if (listing)
            ::closedir(listing);
        return;
    }
    QList<QByteArray> done;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray recordFile = records + '/' + entry->d_name;
        const QByteArray path = entry->d_name[0] == '.' ? QByteArray() : readRecord(recordFile);
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0 || !path.mid(slash + 1).startsWith(localName(prefix)) || !isFolder(path.left(slash), folderInfo))
            continue;
        if (removeRecorded(path))
            done.append(recordFile);
    }
    ::closedir(listing);
    for (const QByteArray &recordFile : std::as_const(done))
        ::unlink(recordFile.constData());
}

} // namespace TemporaryFiles
