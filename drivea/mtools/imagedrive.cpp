#include "imagedrive.h"

#include "localname.h"
#include "mtools.h"
#include "temporaryfiles.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Groups that end within this time of the last commit, or of the run's start, share the
// next one; a medium slow to take the image waits longer, so that committing stays a
// small part of the run.
constexpr qint64 shortestCommitIntervalMs = 1000;
constexpr qint64 commitIntervalsPerCommit = 4;

QString copyPrefixFor(const QString &imagePath)
{
    return QStringLiteral(".%1.dupliva-").arg(QFileInfo(imagePath).fileName());
}

// Where groups are written before they take the image's place: a hidden file beside the
// image, so that the emulator does not list it; each run's its own.
QString copyPathFor(const QString &imagePath)
{
    const QString unique = QStringLiteral("%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
    return folderOf(imagePath) + QLatin1Char('/') + copyPrefixFor(imagePath) + unique;
}

// False, with errno set, when it fails.
bool copyWholeFile(int from, int to, qint64 size)
{
    loff_t in = 0, out = 0;
    while (in < size) {
        const ssize_t copied = ::copy_file_range(from, &in, to, &out, size_t(size - in), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied == 0)
            errno = EIO;
        if (copied <= 0)
            return false;
    }
    return true;
}

CopyOutcome syncAndDropCache(int fd, const QString &path)
{
    if (::fsync(fd) < 0)
        return fileFailure(path, errno);
    // So that reading back reaches the medium, not the cache.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    return {};
}

// The folder holding file, put on its medium; a failure names shownPath.
CopyOutcome syncFolderOf(const QString &file, const QString &shownPath)
{
    const FileDescriptor folder(::open(localName(folderOf(file)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder || ::fsync(folder.get()) < 0)
        return fileFailure(shownPath, errno);
    return {};
}

// The copy keeps the image's owner, group and mode as far as this user may set them: root
// writing a user's image keeps it theirs, and a member of the image's group keeps the group.
// False, with errno set, when the mode cannot be set.
bool takeOwnerAndMode(int copy, const struct stat &image)
{
    if (::fchown(copy, image.st_uid, image.st_gid) < 0)
        (void)::fchown(copy, uid_t(-1), image.st_gid);
    return ::fchmod(copy, image.st_mode & 07777) == 0;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

ImageDriveA::ImageDriveA(const QString &imagePath)
    : MtoolsDriveA(imagePath)
{
}

ImageDriveA::~ImageDriveA()
{
    discardCopy();
}

void ImageDriveA::EndRun()
{
    discardCopy();
    held.clear();
    lost = 0;
    MtoolsDriveA::EndRun();
}

CopyOutcome ImageDriveA::checkDrive() const
{
    if (path.isEmpty())
        return driveFailure(DriveNotReady, driveText("No floppy image is set up as drive A"));
    const ImageFile image = examineImage(path);
    if (image.error)
        return fileFailure(path, image.error);
    if (!image.usable())
        return driveFailure(OtherFailure, image.whyNot);
    if (::access(localName(path).constData(), W_OK) < 0)
        return fileFailure(path, errno);
    return {};
}

// The lock, what a run that was killed left beside the image, and the disk the run starts on.
CopyOutcome ImageDriveA::openDrive()
{
    if (CopyOutcome locked = lock.take(path); !locked.ok())
        return locked;
    if (CopyOutcome outcome = findImageFile(); !outcome.ok())
        return outcome;
    TemporaryFiles::removeLeftovers(folderOf(imageFile), copyPrefixFor(imageFile));
    RoomAndRoot disk = diskRoomThroughMtools(imageFile);
    room = std::move(disk.room);
    root = std::move(disk.root);
    sinceCommit.start();
    return {};
}

// The file that the copies replace: a symbolic link is followed, so that the image itself
// is replaced, not the link; an image with other names (hard links) is left alone, since
// replacing it under one name would part it from the others.
CopyOutcome ImageDriveA::findImageFile()
{
    char *real = ::realpath(localName(path).constData(), nullptr);
    struct stat info {};
    if (!real || ::stat(real, &info) < 0) {
        ::free(real);
        return fileFailure(path, errno);
    }
    imageFile = fromLocalName(real);
    ::free(real);
    if (info.st_nlink > 1)
        return driveFailure(OtherFailure, driveText("%1 has %2 names (hard links): each group replaces the image file as a "
                                                    "whole, which would part it from its other names. Copy the image to a "
                                                    "file of its own.")
                                              .arg(path)
                                              .arg(info.st_nlink));
    return {};
}

// The image's name still names the image that the run locked, or the copy that replaced it.
CopyOutcome ImageDriveA::checkSameDisk()
{
    struct stat named {}, locked {};
    if (::stat(localName(imageFile).constData(), &named) < 0)
        return fileFailure(path, errno);
    if (::fstat(lock.descriptor(), &locked) == 0 && sameFile(named, locked))
        return {};
    return otherDisk(listRoot(imageFile).value);
}

CopyOutcome ImageDriveA::BeginGroup(const RunGroup &next)
{
    CopyOutcome outcome = MtoolsDriveA::BeginGroup(next);
    const qint64 interval = std::max(shortestCommitIntervalMs, commitIntervalsPerCommit * lastCommitMs);
    if (outcome.ok() && !held.isEmpty() && sinceCommit.elapsed() >= interval)
        outcome = commit();
    return outcome;
}

// What a copy that fails part of the way holds is written again, without it, at the commit.
CopyOutcome ImageDriveA::writeGroup(const QList<Copy> &files, GroupFit)
{
    CopyOutcome outcome = copy ? CopyOutcome{} : makeCopy();
    if (outcome.ok())
        outcome = write(copyPath, QStringLiteral("::"), files, -1);
    if (!outcome.ok()) {
        copyHoldsPart = true;
        return outcome;
    }
    held.append(files);
    if (room)
        room->add(group);
    return {};
}

// A new file of the image's size, mode and content beside it, recorded before it is made.
CopyOutcome ImageDriveA::makeCopy()
{
    copyHoldsPart = false;
    const FileDescriptor image(::open(localName(imageFile).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (!image || ::fstat(image.get(), &info) < 0)
        return fileFailure(imageFile, errno);
    do {
        copyPath = copyPathFor(imageFile);
        TemporaryFiles::record(folderOf(copyPath), QFileInfo(copyPath).fileName());
        copy = FileDescriptor(::open(localName(copyPath).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
        if (!copy)
            TemporaryFiles::forget(folderOf(copyPath), QFileInfo(copyPath).fileName());
    } while (!copy && errno == EEXIST);
    if (copy && copyWholeFile(image.get(), copy.get(), info.st_size) && takeOwnerAndMode(copy.get(), info))
        return {};
    const CopyOutcome failure = driveFailure(OtherFailure, driveText("Each group is first written to a copy of the image beside it, "
                                                                     "which cannot be made: %1: %2")
                                                               .arg(copyPath, qt_error_string(errno)));
    if (copy) {
        ::unlink(localName(copyPath).constData());
        TemporaryFiles::forget(folderOf(copyPath), QFileInfo(copyPath).fileName());
    }
    copy = FileDescriptor();
    copyPath.clear();
    return failure;
}

// The groups held back, into a new copy of the image.
CopyOutcome ImageDriveA::writeHeldGroups()
{
    discardCopy();
    CopyOutcome outcome = makeCopy();
    QList<Copy> files;
    for (const QList<Copy> &groupFiles : std::as_const(held))
        files += groupFiles;
    if (outcome.ok())
        outcome = write(copyPath, QStringLiteral("::"), files, -1);
    copyHoldsPart = !outcome.ok();
    return outcome;
}

CopyOutcome ImageDriveA::FinishRun()
{
    CopyOutcome outcome = commit();
    if (outcome.ok() && opened)
        outcome = checkSameDisk();
    return outcome;
}

// The groups held back go onto the image. When one of them reads back wrong, those before
// it still go, in a copy of their own; the first failure is the one told.
CopyOutcome ImageDriveA::commit()
{
    QElapsedTimer timer;
    timer.start();
    CopyOutcome first;
    while (!held.isEmpty()) {
        qsizetype right = 0;
        CopyOutcome outcome = copyHoldsPart ? writeHeldGroups() : CopyOutcome{};
        if (outcome.ok()) {
            const Result<qsizetype> verified = verifyCopy();
            right = verified.value;
            outcome = verified.failure;
        }
        // Past the read-back a failure is the image's, not a group's: none goes on.
        if (outcome.ok()) {
            right = 0;
            outcome = checkSameDisk();
        }
        if (outcome.ok())
            outcome = replaceImage();
        if (outcome.ok()) {
            held.clear();
            break;
        }
        if (first.ok())
            first = outcome;
        right = std::min(right, held.size() - 1);
        lost += int(held.size() - right);
        held.resize(right);
        copyHoldsPart = true;
    }
    discardCopy();
    lastCommitMs = timer.elapsed();
    sinceCommit.start();
    return first;
}

// The copy on its medium, read back with one mcopy: how many of the groups held back read
// back right, and why the next did not.
Result<qsizetype> ImageDriveA::verifyCopy()
{
    if (CopyOutcome synced = syncAndDropCache(copy.get(), copyPath); !synced.ok())
        return {0, synced};
    const Result<QHash<QString, QByteArray>> read = readFolderThroughMtools(copyPath, QStringLiteral("::"));
    if (!read.ok())
        return {0, driveFailure(read.failure)};
    for (qsizetype right = 0; right < held.size(); ++right) {
        if (CopyOutcome outcome = compare(read.value, held[right]); !outcome.ok())
            return {right, outcome};
    }
    return {held.size(), {}};
}

CopyOutcome ImageDriveA::replaceImage()
{
    if (!lock.lockReplacement(copy.get()))
        return driveFailure(OtherFailure, driveText("Drive A cannot be locked for writing: %1: %2").arg(copyPath, qt_error_string(errno)));
    if (::rename(localName(copyPath).constData(), localName(imageFile).constData()) < 0)
        return fileFailure(path, errno);
    lock.replaced();
    TemporaryFiles::forget(folderOf(copyPath), QFileInfo(copyPath).fileName());
    copyPath.clear();
    copy = FileDescriptor();
    return syncFolderOf(imageFile, path);
}

void ImageDriveA::discardCopy()
{
    if (copyPath.isEmpty())
        return;
    ::unlink(localName(copyPath).constData());
    TemporaryFiles::forget(folderOf(copyPath), QFileInfo(copyPath).fileName());
    copyPath.clear();
    copy = FileDescriptor();
}
