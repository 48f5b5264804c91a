#include "imagedrive.h"

#include "fatname.h"
#include "floppydevice.h"
#include "mtools.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A failure to reach the image file itself.
CopyOutcome imageFailure(const QString &imagePath, int error)
{
    const QString reason = QStringLiteral("%1: %2").arg(imagePath, qt_error_string(error));
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
    case EIO:
        return {DriveNotReady, reason};
    default:
        return {OtherFailure, reason};
    }
}

// Opens the source file for reading, or tells why it cannot be copied. Non-blocking, so
// that a named pipe among the items cannot hang the run.
CopyOutcome openSource(const QString &path, QFile &file)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) < 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        return {OtherFailure, qt_error_string(error)};
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return {OtherFailure, S_ISDIR(info.st_mode) ? qt_error_string(EISDIR) : QStringLiteral("It is not a regular file")};
    }
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return {};
}

QString onImage(const QString &name)
{
    return QStringLiteral("::") + name;
}

} // namespace

ImageDriveA::ImageDriveA(const QString &imagePath, Medium medium)
    : imagePath(imagePath)
    , medium(medium)
{
}

void ImageDriveA::BeginRun()
{
    unverified.clear();
}

void ImageDriveA::EndRun()
{
    // A run that failed within a group leaves its files on the image: put them on the
    // medium too, so that the USB stick may be pulled.
    if (!unverified.isEmpty())
        syncImage();
    unverified.clear();
}

CopyOutcome ImageDriveA::checkImage() const
{
    if (imagePath.isEmpty())
        return {DriveNotReady, QStringLiteral("No floppy image is set up as drive A")};
    if (medium == Medium::BlockDevice)
        return examineFloppyDevice(imagePath).state;
    const ImageFile image = examineImage(imagePath);
    if (image.error)
        return imageFailure(imagePath, image.error);
    return image.usable() ? CopyOutcome{} : CopyOutcome{OtherFailure, image.whyNot};
}

CopyOutcome ImageDriveA::FileCopy(const QString &sourcePath, const QString &destination)
{
    if (!destination.startsWith(QLatin1String("a:"), Qt::CaseInsensitive))
        return {OtherFailure, QStringLiteral("\"%1\" names no file on drive A").arg(destination)};
    // mtools would skip a name that FAT cannot store, and say nothing.
    const QString name = destination.mid(2);
    if (const QString why = whyFatCannotStore(name); !why.isEmpty())
        return {OtherFailure, why};
    QFile source;
    if (CopyOutcome outcome = openSource(sourcePath, source); !outcome.ok())
        return outcome;
    if (CopyOutcome outcome = checkImage(); !outcome.ok())
        return outcome;
    return copy(sourcePath, fatDiskName(name));
}

CopyOutcome ImageDriveA::copy(const QString &sourcePath, const QString &name)
{
    // An absolute path never starts with "-", nor with "X:", which mtools takes for a drive.
    const QString source = QFileInfo(sourcePath).absoluteFilePath();
    // "-D oO" replaces a file of the same name; without a policy mtools skips it or asks.
    const MtoolsRun run = runMtools(QStringLiteral("mcopy"),
                                    {QStringLiteral("-i"), imagePath, QStringLiteral("-D"), QStringLiteral("oO"), source,
                                     onImage(name)});
    if (run.ok()) {
        unverified.append({sourcePath, name});
        return {};
    }
    const CopyOutcome outcome = mtoolsFailure(imagePath, run.exitCode, run.errors);
    // mtools checks for room before it writes, and removes a file that it replaces before
    // that; so a file of this name after a full disk can only be a truncated one.
    if (outcome.code == DiskFull)
        removeFile(name);
    return outcome;
}

void ImageDriveA::removeFile(const QString &name) const
{
    runMtools(QStringLiteral("mdel"), {QStringLiteral("-i"), imagePath, onImage(mtoolsPattern(name))});
}

CopyOutcome ImageDriveA::Flush()
{
    const QList<Written> files = std::exchange(unverified, {});
    if (CopyOutcome outcome = syncImage(); !outcome.ok())
        return outcome;

    // A name written twice holds what was written last; names on FAT ignore case.
    QHash<QString, qsizetype> lastWrite;
    for (qsizetype i = 0; i < files.size(); ++i)
        lastWrite.insert(files[i].name.toCaseFolded(), i);
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (lastWrite.value(files[i].name.toCaseFolded()) != i)
            continue;
        if (CopyOutcome outcome = readBack(files[i]); !outcome.ok())
            return outcome;
    }
    return {};
}

CopyOutcome ImageDriveA::syncImage() const
{
    if (imagePath.isEmpty())
        return {DriveNotReady, QStringLiteral("No floppy image is set up as drive A")};
    const int fd = ::open(QFile::encodeName(imagePath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return imageFailure(imagePath, errno);
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    // So that reading back reaches the medium, not the cache.
    if (synced)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
    return synced ? CopyOutcome{} : imageFailure(imagePath, error);
}

CopyOutcome ImageDriveA::readBack(const Written &file) const
{
    const MtoolsRun run = runMtools(QStringLiteral("mtype"), {QStringLiteral("-i"), imagePath, onImage(mtoolsPattern(file.name))});
    CopyOutcome outcome;
    QFile source;
    if (!run.ok())
        outcome = mtoolsFailure(imagePath, run.exitCode, run.errors);
    else if (outcome = openSource(file.source, source); outcome.ok() && source.readAll() != run.output) {
        // No garbled style may stay on the disk.
        removeFile(file.name);
        outcome = {OtherFailure, QStringLiteral("%1 on drive A reads back different from its source").arg(file.name)};
    }
    if (!outcome.ok())
        outcome.source = file.source;
    return outcome;
}
