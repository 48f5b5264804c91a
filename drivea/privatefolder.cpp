#include "privatefolder.h"

#include "drivea.h"
#include "localname.h"
#include "temporaryfiles.h"

#include <QDir>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString namePrefix = QStringLiteral("dupliva-");

QString randomLetters(int count)
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    QString text;
    for (int i = 0; i < count; ++i)
        text += letters.at(QRandomGenerator::global()->bounded(int(letters.size())));
    return text;
}

} // namespace

PrivateFolder::PrivateFolder()
    : parent(QDir::tempPath())
{
    if (parent.isEmpty()) { // TMPDIR names no folder
        failure = whyNoTemporaryFolder(fromLocalName(qgetenv("TMPDIR")), ENOENT);
        return;
    }
    bool made = false;
    for (int attempt = 0; attempt < 100 && !made && (attempt == 0 || errno == EEXIST); ++attempt)
        made = make(namePrefix + randomLetters(8));
    if (!made)
        failure = whyNoTemporaryFolder(parent, errno);
}

PrivateFolder::~PrivateFolder()
{
    if (!isValid())
        return;
    lock.close(); // its own lock would keep it
    TemporaryFiles::removeLeftovers(parent, folderName);
}

// Makes the folder name in the temporary folder; false, with errno set, when it cannot.
bool PrivateFolder::make(const QString &name)
{
    const QString path = parent + QLatin1Char('/') + name;
    TemporaryFiles::record(parent, name);
    const int error = ::mkdir(localName(path).constData(), 0700) < 0 ? errno : lockMade(path) ? 0 : EEXIST;
    if (error) {
        TemporaryFiles::forget(parent, name);
        errno = error;
        return false;
    }
    folderName = name;
    folderPath = path;
    return true;
}

// Another Dupliva starting may take the folder for a leftover and remove it before it is
// locked; then it is no longer there (no link to it) once it is.
bool PrivateFolder::lockMade(const QString &path)
{
    struct stat info {};
    lock = FileDescriptor(::open(localName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (lock && ::flock(lock.get(), LOCK_EX) == 0 && ::fstat(lock.get(), &info) == 0 && info.st_nlink > 0)
        return true;
    lock = FileDescriptor();
    ::rmdir(localName(path).constData());
    return false;
}

QString whyNoTemporaryFolder(const QString &folder, int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return driveText("The temporary folder %1 is full").arg(folder);
    return driveText("The temporary folder %1 cannot be written: %2").arg(folder, qt_error_string(error));
}

void removeLeftoverPrivateFolders()
{
    TemporaryFiles::removeLeftovers(QDir::tempPath(), namePrefix);
}
