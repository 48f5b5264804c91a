#include "imagedrive.h"

#include "diskplan.h"
#include "fatname.h"
#include "floppydevice.h"
#include "floppysizes.h"
#include "localname.h"
#include "mtools.h"
#include "stylecopy.h"
#include "systemfailure.h"
#include "temporaryfiles.h"

#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A failure to reach the image file itself.
CopyOutcome imageFailure(const QString &imagePath, int error)
{
    return driveFailure(systemFailure(error, imagePath));
}

QStringList namesOf(const auto &files)
{
    QStringList names;
    for (const auto &file : files)
        names.append(file.name);
    return names;
}

QString copyPrefixFor(const QString &imagePath)
{
    return QStringLiteral(".%1.dupliva-").arg(QFileInfo(imagePath).fileName());
}

// Where a group is written before it takes the image's place: a hidden file beside the
// image, so that the emulator does not list it; each run's its own.
QString copyPathFor(const QString &imagePath)
{
    const QString unique = QStringLiteral("%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
    return folderOf(imagePath) + QLatin1Char('/') + copyPrefixFor(imagePath) + unique;
}

// Returns 0 or the failure's errno.
int copyWholeFile(int from, int to, qint64 size)
{
    loff_t in = 0, out = 0;
    while (in < size) {
        const ssize_t copied = ::copy_file_range(from, &in, to, &out, size_t(size - in), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied <= 0)
            return copied < 0 ? errno : EIO;
    }
    return 0;
}

int syncAndDropCache(int fd)
{
    if (::fsync(fd) < 0)
        return errno;
    // So that reading back reaches the medium, not the cache.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    return 0;
}

int syncFolderOf(const QString &path)
{
    const int folder = ::open(localName(folderOf(path)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return errno;
    const int error = ::fsync(folder) == 0 ? 0 : errno;
    ::close(folder);
    return error;
}

// A new file of the image's size, mode and content beside it, recorded before it is made.
// Returns its descriptor, or -1 with why it failed.
int makeCopyOfImage(const QString &imagePath, QString *copyPath, CopyOutcome *failure)
{
    const int image = ::open(localName(imagePath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    struct stat info {};
    if (image < 0 || ::fstat(image, &info) < 0) {
        *failure = imageFailure(imagePath, errno);
        if (image >= 0)
            ::close(image);
        return -1;
    }
    int copy = -1;
    do {
        *copyPath = copyPathFor(imagePath);
        TemporaryFiles::record(folderOf(*copyPath), QFileInfo(*copyPath).fileName());
        copy = ::open(localName(*copyPath).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
        if (copy < 0)
            TemporaryFiles::forget(folderOf(*copyPath), QFileInfo(*copyPath).fileName());
    } while (copy < 0 && errno == EEXIST);
    int error = copy < 0 ? errno : copyWholeFile(image, copy, info.st_size);
    ::close(image);
    if (!error) {
        (void)::fchown(copy, info.st_uid, info.st_gid); // root writing a user's image keeps it theirs
        error = ::fchmod(copy, info.st_mode & 07777) == 0 ? 0 : errno;
    }
    if (!error)
        return copy;
    if (copy >= 0) {
        ::close(copy);
        ::unlink(localName(*copyPath).constData());
        TemporaryFiles::forget(folderOf(*copyPath), QFileInfo(*copyPath).fileName());
    }
    *failure = driveFailure(OtherFailure, driveText("Each group is first written to a copy of the image beside it, "
                                                    "which cannot be made: %1: %2")
                                              .arg(*copyPath, qt_error_string(error)));
    return -1;
}

// What mcopy read back of the file name into read, against the style at source.
CopyOutcome compareReadBack(const QString &read, const QString &name, const QString &source)
{
    CopyOutcome outcome;
    const FileDescriptor style = openStyle(source, &outcome);
    const FileDescriptor copy(::open(localName(read).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (style && (!copy || compareContents(style.get(), copy.get()) != 0))
        outcome = readsBackDifferent(name, source);
    return outcome;
}

QString onImage(const QString &name)
{
    return QStringLiteral("::") + name;
}

QStringList onImage(const QList<QString> &names)
{
    QStringList arguments;
    for (const QString &name : names)
        arguments.append(onImage(mtoolsPattern(name)));
    return arguments;
}

// mtools passes names through the locale's encoding: a byte that is no character has no way there.
QString whyImageCannotStore(const QString &name)
{
    const int stray = firstStrayByte(name);
    if (stray < 0)
        return {};
    return driveText("The name %1 holds the byte 0x%2, which is not a character: a floppy image cannot store it")
        .arg(name)
        .arg(stray, 2, 16, QLatin1Char('0'));
}

bool isAscii(const QString &name)
{
    return std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 128; });
}

// The character of name at which the name that mtools stored parts from it.
QString changedCharacter(const QString &name, const QStringList &stored)
{
    qsizetype same = 0;
    for (const QString &other : stored) {
        qsizetype i = 0;
        while (i < name.size() && i < other.size() && name.at(i) == other.at(i))
            ++i;
        same = std::max(same, i);
    }
    same = std::min(same, name.size() - 1);
    const char32_t code = QStringView(name).mid(same).toUcs4().value(0);
    return QStringLiteral("\"%1\" (U+%2)").arg(QString::fromUcs4(&code, 1)).arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

ImageDriveA::ImageDriveA(const QString &imagePath, Medium medium)
    : imagePath(imagePath)
    , medium(medium)
{
}

void ImageDriveA::BeginRun(const QStringList &)
{
    EndRun();
}

void ImageDriveA::EndRun()
{
    queued.clear();
    lock.release();
}

CopyOutcome ImageDriveA::checkImage() const
{
    if (imagePath.isEmpty())
        return driveFailure(DriveNotReady, driveText("No floppy image is set up as drive A"));
    if (medium == Medium::BlockDevice)
        return driveFailure(examineFloppyDevice(imagePath).state);
    const ImageFile image = examineImage(imagePath);
    if (image.error)
        return imageFailure(imagePath, image.error);
    if (!image.usable())
        return driveFailure(OtherFailure, image.whyNot);
    if (::access(localName(imagePath).constData(), W_OK) < 0)
        return imageFailure(imagePath, errno);
    return {};
}

// The lock, and then what a run that was killed left beside the image.
CopyOutcome ImageDriveA::takeDrive()
{
    if (lock.descriptor() >= 0)
        return {};
    if (const QString why = lock.take(imagePath); !why.isEmpty())
        return driveFailure(OtherFailure, why);
    if (medium == Medium::BlockDevice)
        return {};
    if (CopyOutcome outcome = findImageFile(); !outcome.ok()) {
        lock.release();
        return outcome;
    }
    TemporaryFiles::removeLeftovers(folderOf(imageFile), copyPrefixFor(imageFile));
    return {};
}

// The file that the copies replace: a symbolic link is followed, so that the image itself
// is replaced, not the link; an image with other names (hard links) is left alone, since
// replacing it under one name would part it from the others.
CopyOutcome ImageDriveA::findImageFile()
{
    char *real = ::realpath(localName(imagePath).constData(), nullptr);
    struct stat info {};
    if (!real || ::stat(real, &info) < 0) {
        ::free(real);
        return imageFailure(imagePath, errno);
    }
    imageFile = fromLocalName(real);
    ::free(real);
    if (info.st_nlink > 1)
        return driveFailure(OtherFailure, driveText("%1 has %2 names (hard links): each group replaces the image file as a "
                                                    "whole, which would part it from its other names. Copy the image to a "
                                                    "file of its own.")
                                              .arg(imagePath)
                                              .arg(info.st_nlink));
    return {};
}

// A disk that cannot be read is left to the first copy to report.
CopyOutcome ImageDriveA::CheckGroupsFit(const QList<RunGroup> &groups)
{
    if (groups.isEmpty() || !checkImage().ok())
        return {};
    return refuseGroupNoDiskHolds(diskRoomThroughMtools(imagePath), groups);
}

CopyOutcome ImageDriveA::FileCopy(const QString &sourcePath, const QString &destination)
{
    CopyOutcome outcome;
    const QString name = nameOnDriveA(destination, &outcome);
    if (name.isEmpty())
        return outcome;
    // mtools would skip a name that FAT cannot store, and say nothing.
    for (const QString &why : {whyFatCannotStore(name), whyImageCannotStore(name)}) {
        if (!why.isEmpty())
            return {OtherFailure, why};
    }
    if (!openStyle(sourcePath, &outcome))
        return outcome;
    if (outcome = checkImage(); !outcome.ok())
        return outcome;
    if (outcome = takeDrive(); !outcome.ok())
        return outcome;
    queued.append({sourcePath, fatDiskName(name)});
    return {};
}

CopyOutcome ImageDriveA::Flush()
{
    const QList<Copy> files = std::exchange(queued, {});
    if (files.isEmpty())
        return {};
    CopyOutcome outcome = refuseChangedNames(files);
    if (outcome.ok())
        outcome = refuseNamesTaken(files);
    if (!outcome.ok())
        return outcome;
    return medium == Medium::ImageFile ? writeBeside(files) : writeInPlace(files);
}

// The image stays as it was until the copy that holds the whole group, read back right,
// is renamed over it. What a killed run leaves is the copy, which the next run removes.
CopyOutcome ImageDriveA::writeBeside(const QList<Copy> &files)
{
    QString copyPath;
    CopyOutcome outcome;
    const int copy = makeCopyOfImage(imageFile, &copyPath, &outcome);
    if (copy < 0)
        return outcome;
    outcome = write(copyPath, files, -1);
    if (outcome.ok()) {
        if (const int error = syncAndDropCache(copy))
            outcome = imageFailure(copyPath, error);
    }
    if (outcome.ok())
        outcome = readBack(copyPath, files);
    if (outcome.ok())
        outcome = replaceImage(copyPath, copy);
    if (!outcome.ok())
        ::unlink(localName(copyPath).constData());
    TemporaryFiles::forget(folderOf(copyPath), QFileInfo(copyPath).fileName());
    ::close(copy);
    return outcome;
}

CopyOutcome ImageDriveA::replaceImage(const QString &copy, int copyFd)
{
    if (!lock.lockReplacement(copyFd))
        return driveFailure(OtherFailure, driveText("Drive A cannot be locked for writing: %1: %2").arg(copy, qt_error_string(errno)));
    if (::rename(localName(copy).constData(), localName(imageFile).constData()) < 0)
        return imageFailure(imagePath, errno);
    lock.replaced();
    if (const int error = syncFolderOf(imageFile))
        return imageFailure(imagePath, error);
    return {};
}

// A floppy drive's device cannot be renamed: the group is written where it stands, and a
// group that fails is removed again.
CopyOutcome ImageDriveA::writeInPlace(const QList<Copy> &files) const
{
    CopyOutcome outcome = write(imagePath, files, lock.descriptor());
    const int device = ::open(localName(imagePath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (outcome.ok()) {
        const int error = device < 0 ? errno : syncAndDropCache(device);
        if (error)
            outcome = imageFailure(imagePath, error);
    }
    if (outcome.ok())
        outcome = readBack(imagePath, files);
    if (!outcome.ok()) {
        removeFiles(files);
        if (device >= 0)
            ::fsync(device);
    }
    if (device >= 0)
        ::close(device);
    return outcome;
}

// Asks mtools itself, on a blank image of its own, how it stores each name that is
// not plain ASCII; a name it would change is not written at all.
CopyOutcome ImageDriveA::refuseChangedNames(const QList<Copy> &files) const
{
    QList<Copy> unusual;
    std::copy_if(files.begin(), files.end(), std::back_inserter(unusual), [](const Copy &file) { return !isAscii(file.name); });
    if (unusual.isEmpty())
        return {};
    const QTemporaryDir scratch;
    const QString image = scratch.filePath(QStringLiteral("names.img"));
    QStringList arguments{QStringLiteral("-i"), image, QStringLiteral("-D"), QStringLiteral("oO")};
    for (const Copy &file : std::as_const(unusual)) {
        const QString empty = scratch.filePath(file.name);
        ::close(::open(localName(empty).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        arguments.append(empty);
    }
    arguments.append(QStringLiteral("::"));
    runMtools(QStringLiteral("mformat"), {QStringLiteral("-C"), QStringLiteral("-i"), image, QStringLiteral("-f"),
                                          QString::number(floppy1440K.bytes / 1024), QStringLiteral("::")});
    runMtools(QStringLiteral("mcopy"), arguments);
    CopyOutcome failure;
    QStringList stored;
    for (const RootEntry &entry : listRoot(image, &failure).entries)
        stored.append(entry.name);
    if (!failure.ok())
        return {OtherFailure, failure.reason, unusual.constFirst().source};
    for (const Copy &file : std::as_const(unusual)) {
        if (!stored.contains(file.name))
            return {OtherFailure,
                    driveText("The name %1 holds the character %2, which mtools would store changed on a floppy image")
                        .arg(file.name, changedCharacter(file.name, stored)),
                    file.source};
    }
    return {};
}

// mcopy would write a style into a folder of its name, a volume label is no file, and a
// name that is another entry's short name would replace that entry.
CopyOutcome ImageDriveA::refuseNamesTaken(const QList<Copy> &files) const
{
    CopyOutcome failure;
    const RootListing root = listRoot(imagePath, &failure);
    if (!failure.ok())
        return driveFailure(failure);
    for (const Copy &file : files) {
        const auto refuse = [&](const QString &why) { return CopyOutcome{OtherFailure, why, file.source}; };
        const auto isFolderNamed = [&](const RootEntry &entry) { return entry.folder && file.name.compare(entry.name, Qt::CaseInsensitive) == 0; };
        if (file.name.compare(root.label, Qt::CaseInsensitive) == 0 || std::any_of(root.entries.begin(), root.entries.end(), isFolderNamed))
            return refuse(driveText("%1 on drive A is a folder or the disk's volume label, not a file").arg(file.name));
        for (const RootEntry &entry : root.entries) {
            const bool sameName = file.name.compare(entry.name, Qt::CaseInsensitive) == 0;
            if (!sameName && file.name.compare(entry.shortName, Qt::CaseInsensitive) == 0)
                return refuse(driveText("%1 on drive A is the short name of %2 \"%3\", which it would replace")
                                  .arg(file.name, entry.folder ? driveText("the folder") : driveText("the file"), entry.name));
        }
    }
    return {};
}

// One mcopy for the group into target, from a private folder of links named after the
// names on the disk.
CopyOutcome ImageDriveA::write(const QString &target, const QList<Copy> &files, int lockHeld) const
{
    const QTemporaryDir links;
    // "-D oO" replaces a file of the same name; without a policy mtools skips it or asks.
    QStringList arguments{QStringLiteral("-i"), target, QStringLiteral("-D"), QStringLiteral("oO")};
    for (const Copy &file : files) {
        const QString link = links.filePath(file.name);
        const QByteArray source = localName(absolutePath(file.source));
        if (!links.isValid() || ::symlink(source.constData(), localName(link).constData()) < 0)
            return {OtherFailure, QStringLiteral("%1: %2").arg(link, qt_error_string(errno)), file.source};
        arguments.append(link);
    }
    arguments.append(QStringLiteral("::"));
    const MtoolsRun run = runMtools(QStringLiteral("mcopy"), arguments, lockHeld);
    if (run.ok())
        return {};
    CopyOutcome outcome = mtoolsFailure(imagePath, run.exitCode, run.errors);
    outcome.source = files.constLast().source;
    return outcome;
}

void ImageDriveA::removeFiles(const QList<Copy> &files) const
{
    runMtools(QStringLiteral("mdel"), QStringList{QStringLiteral("-i"), imagePath} + onImage(namesOf(files)), lock.descriptor());
}

// One mcopy reads the whole group back into a private folder.
CopyOutcome ImageDriveA::readBack(const QString &target, const QList<Copy> &files) const
{
    const QTemporaryDir folder;
    const MtoolsRun run = runMtools(QStringLiteral("mcopy"), QStringList{QStringLiteral("-n"), QStringLiteral("-i"), target}
                                                               + onImage(namesOf(files)) + QStringList{folder.path()});
    // mcopy names a file with a short name only in lower case.
    QHash<QString, QString> readFiles;
    for (const QString &name : namesIn(folder.path()))
        readFiles.insert(name.toCaseFolded(), folder.filePath(name));
    for (const Copy &file : files) {
        const QString read = readFiles.value(file.name.toCaseFolded());
        CopyOutcome outcome = run.ok() ? CopyOutcome{OtherFailure, driveText("%1 on drive A cannot be read back").arg(file.name)}
                                       : mtoolsFailure(imagePath, run.exitCode, run.errors);
        if (!read.isEmpty())
            outcome = compareReadBack(read, file.name, file.source);
        if (!outcome.ok()) {
            outcome.source = file.source;
            return outcome;
        }
    }
    return {};
}
