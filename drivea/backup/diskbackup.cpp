#include "diskbackup.h"

#include "disksource.h"
#include "filedescriptor.h"
#include "localname.h"
#include "stylecopy.h"

#include <QDate>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "KORVANA1 1A2B-3C4D 2026-12-08", without what the disk lacks.
QString folderNameFor(const DiskId &disk)
{
    QStringList parts;
    for (const QString &part : {disk.label.trimmed(), disk.serial}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    if (parts.isEmpty())
        parts.append(backUpText("disk"));
    parts.append(QDate::currentDate().toString(Qt::ISODate));
    QString name = parts.join(QLatin1Char(' '));
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.startsWith(QLatin1Char('.')))
        name[0] = QLatin1Char('_');
    return name;
}

// A folder in parent that did not exist before: name, else "name (2)" and so on.
Result<QString> makeNewFolder(const QString &parent, const QString &name)
{
    for (int n = 1;; ++n) {
        const QString path = parent + QLatin1Char('/') + name + (n > 1 ? QStringLiteral(" (%1)").arg(n) : QString());
        if (::mkdir(localName(path).constData(), 0755) == 0)
            return {path, {}};
        if (errno != EEXIST)
            return {{}, {OtherFailure, backUpText("The folder %1 cannot be made: %2").arg(path, qt_error_string(errno))}};
    }
}

// Writes a file that did not exist before and puts it on its disk; false, with errno set,
// when it fails.
bool writeNewFile(const QString &path, const QByteArray &bytes)
{
    FileDescriptor fd(::open(localName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!fd)
        return false;
    qint64 written = 0;
    while (written < bytes.size()) {
        const ssize_t wrote = ::write(fd.get(), bytes.constData() + written, size_t(bytes.size() - written));
        if (wrote < 0)
            break;
        written += wrote;
    }
    const bool done = written == bytes.size() && ::fsync(fd.get()) == 0;
    const int error = errno;
    if (!fd.close() && done)
        return false;
    errno = error;
    return done;
}

// The copy reads back as the disk's file, which reads the same again where it can be.
QString copyAndCheck(const DiskFile &file, const QString &copy)
{
    if (!writeNewFile(copy, file.bytes))
        return backUpText("%1 cannot be written: %2").arg(copy, qt_error_string(errno));
    const auto readsAsFile = [&file](const QString &path) {
        const Result<QByteArray> read = readWholeFile(path);
        return read.ok() && read.value == file.bytes;
    };
    if (!readsAsFile(copy))
        return backUpText("%1 does not read back as %2 on the disk.").arg(copy, file.name);
    if (!file.pathOnDisk.isEmpty() && !readsAsFile(file.pathOnDisk))
        return backUpText("%1 does not read the same twice.").arg(file.pathOnDisk);
    return {};
}

void syncFolder(const QString &folder)
{
    const FileDescriptor fd(::open(localName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        ::fsync(fd.get());
}

} // namespace

BackUp backUpDriveA(const QString &driveA, const QString &intoFolder, UDisks &udisks, const BackUpProgress &progress)
{
    BackUp backUp;
    const DiskContents contents = readDriveA(driveA, udisks);
    backUp.disk = contents.disk;
    backUp.error = contents.error;
    if (!backUp.error.isEmpty())
        return backUp;
    backUp.diskRead = true;
    for (const DiskFile &file : contents.files)
        backUp.files.append({file.name, file.bytes.size()});
    const Result<QString> folder = makeNewFolder(intoFolder, folderNameFor(contents.disk));
    backUp.folder = folder.value;
    backUp.error = folder.failure.reason;
    for (int i = 0; backUp.error.isEmpty() && i < contents.files.size(); ++i) {
        const DiskFile &file = contents.files[i];
        backUp.error = copyAndCheck(file, backUp.folder + QLatin1Char('/') + file.name);
        if (backUp.error.isEmpty())
            progress(backUp.files[i], i + 1, int(backUp.files.size()));
    }
    if (!backUp.folder.isEmpty())
        syncFolder(backUp.folder);
    return backUp;
}
