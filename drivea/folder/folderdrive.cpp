#include "folderdrive.h"

#include "fatname.h"
#include "localname.h"
#include "mounteddisk.h"
#include "stylecopy.h"
#include "systemfailure.h"
#include "temporaryfiles.h"

#include <QDir>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <dirent.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace {

QString shown(const QByteArray &name)
{
    return fromLocalName(name);
}

// Temporary names are 8.3, so that each takes one entry of a floppy's root directory:
// "~D", three characters of the run and three of the file, ".TMP".
constexpr int namesPerPrefix = 36 * 36 * 36;

QString base36(int number, int width)
{
    return QStringLiteral("%1").arg(number, width, 36, QLatin1Char('0')).toUpper();
}

// A start of temporary names that no name in the folder has yet, not even in another case.
QString unusedPrefix(const QSet<QString> &namesInFolder)
{
    for (;;) {
        const QString prefix = QStringLiteral("~D") + base36(int(QRandomGenerator::system()->bounded(namesPerPrefix)), 3);
        if (std::none_of(namesInFolder.begin(), namesInFolder.end(), [&](const QString &name) { return name.startsWith(prefix); }))
            return prefix;
    }
}

// The names in the folder that start like a temporary one, in upper case.
QSet<QString> temporaryLookingNamesIn(int folderFd)
{
    QSet<QString> names;
    DIR *folder = ::fdopendir(::dup(folderFd));
    while (const dirent *entry = folder ? ::readdir(folder) : nullptr) {
        if (entry->d_name[0] == '~' && (entry->d_name[1] == 'D' || entry->d_name[1] == 'd'))
            names.insert(fromLocalName(entry->d_name).toUpper());
    }
    if (folder)
        ::closedir(folder);
    return names;
}

qint64 blocksFor(qint64 bytes, qint64 blockBytes)
{
    return (bytes + blockBytes - 1) / blockBytes;
}

ssize_t copyBlock(int source, int target, size_t most)
{
    char buffer[64 * 1024];
    const ssize_t got = ::read(source, buffer, std::min(most, sizeof buffer));
    for (ssize_t written = 0; got > 0 && written < got;) {
        const ssize_t put = ::write(target, buffer + written, size_t(got - written));
        if (put < 0)
            return put;
        written += put;
    }
    return got;
}

// Copies size bytes from the start of source, in the kernel where it can; stops early
// if the file turns out shorter. False, with errno set, when it fails.
bool copyContents(int source, int target, off_t size)
{
    bool useSendfile = true;
    while (size > 0) {
        const size_t most = size_t(std::min<off_t>(size, 1 << 20));
        const ssize_t copied = useSendfile ? ::sendfile(target, source, nullptr, most) : copyBlock(source, target, most);
        if (copied < 0 && useSendfile && (errno == EINVAL || errno == ENOSYS)) {
            useSendfile = false;
            continue;
        }
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied <= 0)
            return copied == 0;
        size -= copied;
    }
    return true;
}

} // namespace

FolderDriveA::FolderDriveA(const QString &folder, Medium medium, const QString &label)
    : folderPath(folder)
    , medium(medium)
    , diskLabel(label)
{
}

FolderDriveA::~FolderDriveA()
{
    EndRun();
}

void FolderDriveA::BeginRun(const QStringList &sources)
{
    EndRun();
    runSources = sources;
    readBacks.clear();
}

void FolderDriveA::EndRun()
{
    discardStaged();
    forgetTemporaries();
    closeFolder();
    lock.release();
    sourceFiles.clear();
    sourcePaths.clear();
}

void FolderDriveA::closeFolder()
{
    folderFd = FileDescriptor();
}

// At the run's first copy: the folder, the lock on it, what an earlier run that was
// killed left behind, and which files of the disk are the run's own sources.
CopyOutcome FolderDriveA::openDisk()
{
    if (folderFd)
        return {};
    if (folderPath.isEmpty())
        return driveFailure(DriveNotReady, qt_error_string(ENODEV));
    folderFd = FileDescriptor(::open(localName(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd)
        return driveFailure(systemFailure(errno));
    if (CopyOutcome locked = lock.take(folderPath); !locked.ok()) {
        closeFolder();
        return locked;
    }
    TemporaryFiles::removeLeftovers(folderPath, QStringLiteral("~D"));
    for (const QString &source : std::as_const(runSources)) {
        struct stat info {};
        if (::stat(localName(source).constData(), &info) == 0)
            sourceFiles.insert({info.st_dev, info.st_ino}, source);
        sourcePaths.insert(QDir::cleanPath(source));
    }
    return {};
}

// A failure once drive A's folder is open: the drive was there, so only a full disk keeps
// its own code, a folder that has been taken away since, and on a floppy a drive that has
// lost its disk.
CopyOutcome FolderDriveA::diskFailure(int error) const
{
    CopyOutcome outcome = driveFailure(systemFailure(error, folderPath));
    if (outcome.code == DiskFull)
        return outcome;
    struct stat folderInfo {};
    const bool folderGone = ::fstat(folderFd.get(), &folderInfo) == 0 && folderInfo.st_nlink == 0;
    const bool diskGone = error == EIO || error == ENXIO || error == ENOMEDIUM || error == ENODEV;
    outcome.code = folderGone || (medium == Medium::FatDisk && diskGone) ? DriveNotReady : OtherFailure;
    return outcome;
}

CopyOutcome FolderDriveA::CheckGroupsFit(const QList<RunGroup> &groups)
{
    if (medium != Medium::FatDisk || groups.isEmpty())
        return {};
    return refuseGroupNoDiskHolds(mountedDiskRoom(folderPath, !diskLabel.isEmpty()), groups);
}

QByteArray FolderDriveA::diskName(const QString &name) const
{
    return localName(medium == Medium::FatDisk ? fatDiskName(name) : name);
}

// A floppy's room is counted exactly, so there a group that does not fit is refused before
// anything of it is written. Elsewhere the file system's own accounting decides, once the
// disk runs out of room.
CopyOutcome FolderDriveA::BeginGroup(const RunGroup &group)
{
    currentGroup = group;
    groupFits.reset();
    if (medium != Medium::FatDisk || !openDisk().ok())
        return {}; // the first copy tells, naming its source
    groupFits = groupFitsReplacingOldCopies();
    if (*groupFits)
        return {};
    EndRun();
    return driveFailure(DiskFull, qt_error_string(ENOSPC));
}

// Asked when the disk is out of room in the middle of a group, before anything of the
// disk is removed: whether the whole group fits with what the copies it replaces free,
// counting back what its temporary copies so far take; on a floppy, with the entries of
// its root directory as the disk plan counts them.
bool FolderDriveA::groupFitsReplacingOldCopies() const
{
    struct statvfs disk {};
    if (::fstatvfs(folderFd.get(), &disk) < 0 || disk.f_frsize == 0)
        return false;
    const qint64 blockBytes = qint64(disk.f_frsize);
    qint64 room = qint64(disk.f_bavail);
    for (const Staged &file : staged)
        room += blocksFor(file.size, blockBytes);
    QStringList namesAdded;
    for (qsizetype i = 0; i < currentGroup.sources.size(); ++i) {
        room -= blocksFor(fileSize(currentGroup.sources[i]), blockBytes);
        struct stat target {};
        const QByteArray name = diskName(currentGroup.names[i]);
        if (::fstatat(folderFd.get(), name.constData(), &target, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(target.st_mode))
            room += blocksFor(target.st_size, blockBytes);
        else
            namesAdded.append(shown(name));
    }
    const qsizetype freeNames = disk.f_files == 0 ? namesAdded.size() : qsizetype(disk.f_favail) + staged.size();
    bool roomInRoot = namesAdded.size() <= freeNames;
    if (medium == Medium::FatDisk) {
        const std::optional<DiskRoom> rootRoom = mountedDiskRoom(folderPath, !diskLabel.isEmpty());
        roomInRoot = roomInRoot && (!rootRoom || directoryEntries(namesAdded) <= rootRoom->freeRootEntries + staged.size());
    }
    return room >= 0 && roomInRoot;
}

CopyOutcome FolderDriveA::FileCopy(const QString &sourcePath, const QString &name)
{
    if (CopyOutcome refused = checkNameOnDriveA(name); !refused.ok())
        return refused;
    if (medium == Medium::FatDisk) {
        if (const QString why = whyFatCannotStore(name); !why.isEmpty())
            return {OtherFailure, why};
    }
    const CopyOutcome outcome = copy(sourcePath, diskName(name));
    if (!outcome.ok())
        EndRun(); // the next disk may be another
    return outcome;
}

CopyOutcome FolderDriveA::copy(const QString &sourcePath, const QByteArray &name)
{
    const Result<OpenStyle> source = openStyle(sourcePath);
    if (!source.ok())
        return source.failure;
    if (CopyOutcome outcome = openDisk(); !outcome.ok())
        return outcome;
    if (CopyOutcome outcome = checkTarget(name); !outcome.ok())
        return outcome;
    return stage(source.value.fd.get(), source.value.size, name, sourcePath);
}

// Never through a link found on the disk, and never over one of the user's styles.
CopyOutcome FolderDriveA::checkTarget(const QByteArray &name) const
{
    const auto isASource = [&](const QString &source) {
        return CopyOutcome{OtherFailure, driveText("%1 on drive A is the style %2, which is not written over").arg(shown(name), source)};
    };
    const QString targetPath = QDir::cleanPath(folderPath + QLatin1Char('/') + shown(name));
    if (sourcePaths.contains(targetPath))
        return isASource(targetPath);
    struct stat targetInfo {};
    if (::fstatat(folderFd.get(), name.constData(), &targetInfo, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    if (medium == Medium::FatDisk)
        if (const QByteArray owner = entryNamedBy(name, targetInfo); !owner.isEmpty())
            return {OtherFailure, driveText("%1 on drive A is the short name of \"%2\", which it would replace").arg(shown(name), shown(owner))};
    if (S_ISLNK(targetInfo.st_mode))
        return {OtherFailure, driveText("%1 on drive A is a symbolic link").arg(shown(name))};
    if (!S_ISREG(targetInfo.st_mode))
        return {OtherFailure, driveText("%1 on drive A is not a regular file").arg(shown(name))};
    if (const auto source = sourceFiles.constFind({targetInfo.st_dev, targetInfo.st_ino}); source != sourceFiles.cend())
        return isASource(*source);
    return {};
}

// On FAT a name may reach an entry by its short name ("01SAMB~1.STY" for "01Samba
// Latin.sty"): the entry's own name when name is only another name of it, else empty.
QByteArray FolderDriveA::entryNamedBy(const QByteArray &name, const struct stat &target) const
{
    DIR *folder = ::fdopendir(::dup(folderFd.get()));
    if (!folder)
        return {};
    QByteArray owner;
    bool listed = false;
    while (const dirent *entry = ::readdir(folder)) {
        const QByteArray entryName(entry->d_name);
        struct stat info {};
        if (shown(entryName).compare(shown(name), Qt::CaseInsensitive) == 0)
            listed = true;
        else if (owner.isEmpty() && ::fstatat(folderFd.get(), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && info.st_ino == target.st_ino)
            owner = entryName;
    }
    ::closedir(folder);
    return listed ? QByteArray() : owner;
}

// Writes the source under a temporary name beside its target. Without room for both, and
// if the whole group fits in place of its earlier copies, the old target goes first: the
// disk then lacks it until the group is renamed. A group that does not fit even so ends
// in a full disk with the disk as it was.
CopyOutcome FolderDriveA::stage(int source, off_t size, const QByteArray &name, const QString &sourcePath)
{
    Result<QByteArray> temporary = writeTemporary(source, size);
    if (temporary.failure.code == DiskFull) {
        if (!groupFits)
            groupFits = groupFitsReplacingOldCopies();
        if (*groupFits && ::unlinkat(folderFd.get(), name.constData(), 0) == 0) {
            ::lseek(source, 0, SEEK_SET);
            temporary = writeTemporary(source, size);
        }
    }
    if (temporary.ok())
        staged.append({temporary.value, name, sourcePath, size});
    return temporary.failure;
}

// The temporary name that the copy went under; nothing of a failed copy stays.
Result<QByteArray> FolderDriveA::writeTemporary(int source, off_t size)
{
    QByteArray temporary;
    FileDescriptor target;
    do {
        temporary = nextTemporaryName();
        target = FileDescriptor(::openat(folderFd.get(), temporary.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0644));
    } while (!target && errno == EEXIST);
    if (!target)
        return {{}, diskFailure(errno)};
    const bool copied = copyContents(source, target.get(), size);
    CopyOutcome outcome = copied ? CopyOutcome{} : diskFailure(errno);
    if (!target.close() && copied)
        outcome = diskFailure(errno);
    if (!outcome.ok() && ::unlinkat(folderFd.get(), temporary.constData(), 0) < 0)
        temporariesLeft = true;
    return {temporary, outcome};
}

// The run's prefix is recorded before the first file that has it is made.
QByteArray FolderDriveA::nextTemporaryName()
{
    if (runPrefixes.isEmpty() || temporaryCount == namesPerPrefix) {
        runPrefixes.append(unusedPrefix(temporaryLookingNamesIn(folderFd.get())));
        TemporaryFiles::record(folderPath, runPrefixes.constLast());
        temporaryCount = 0;
    }
    return (runPrefixes.constLast() + base36(temporaryCount++, 3) + QStringLiteral(".TMP")).toLatin1();
}

// What the run made and could not remove stays recorded for the next run.
void FolderDriveA::forgetTemporaries()
{
    for (const QString &prefix : std::as_const(runPrefixes)) {
        if (temporariesLeft)
            TemporaryFiles::removeLeftovers(folderPath, prefix);
        else
            TemporaryFiles::forget(folderPath, prefix);
    }
    runPrefixes.clear();
    temporariesLeft = false;
}

// The folder's path still names the folder that the run opened: a stick swapped and
// mounted at the same place is another disk.
CopyOutcome FolderDriveA::checkSameFolder() const
{
    struct stat opened {}, named {};
    if (!folderFd || ::fstat(folderFd.get(), &opened) < 0)
        return {};
    if (::stat(localName(folderPath).constData(), &named) < 0)
        return driveFailure(systemFailure(errno, folderPath));
    if (opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
        return {};
    return driveFailure(OtherFailure, driveText("Drive A holds another disk than the one this run started on: %1 is now "
                                                "another folder or disk. The groups that turned green are on the first one; "
                                                "copy again to go on with this one.")
                                          .arg(folderPath));
}

// A mounted floppy by the volume serial number that vfat read when it mounted the disk.
DiskId FolderDriveA::diskInDrive() const
{
    if (medium == Medium::Folder)
        return {{}, folderPath.mid(folderPath.lastIndexOf(QLatin1Char('/')) + 1), DriveKind::Folder, folderPath};
    quint32 serial = 0;
    const bool known = folderFd && ::ioctl(folderFd.get(), FAT_IOCTL_GET_VOLUME_ID, &serial) == 0;
    const QString number = QStringLiteral("%1").arg(serial, 8, 16, QLatin1Char('0')).toUpper();
    return {known ? number.left(4) + QLatin1Char('-') + number.mid(4) : QString(), diskLabel, DriveKind::MountedFloppy, {}};
}

CopyOutcome FolderDriveA::FinishRun()
{
    return checkSameFolder();
}

CopyOutcome FolderDriveA::Flush()
{
    if (staged.isEmpty())
        return {};
    CopyOutcome outcome = checkSameFolder();
    if (outcome.ok())
        outcome = putOnTheMedium();
    for (qsizetype i = 0; outcome.ok() && i < staged.size(); ++i)
        outcome = readBack(staged[i]);
    if (outcome.ok())
        outcome = replaceTargets();
    if (outcome.ok())
        outcome = putOnTheMedium();
    if (!outcome.ok())
        EndRun();
    staged.clear();
    return outcome;
}

// Once per group, since every flush of a floppy costs head seeks to the FAT and the
// directory.
CopyOutcome FolderDriveA::putOnTheMedium()
{
    return ::syncfs(folderFd.get()) == 0 ? CopyOutcome{} : diskFailure(errno);
}

// A rename replaces the target's directory entry, so a hard link to it elsewhere keeps
// the old content.
CopyOutcome FolderDriveA::replaceTargets()
{
    while (!staged.isEmpty()) {
        const Staged &file = staged.constFirst();
        if (::renameat(folderFd.get(), file.temporary.constData(), folderFd.get(), file.target.constData()) < 0) {
            CopyOutcome outcome = diskFailure(errno);
            outcome.source = file.source;
            return outcome;
        }
        staged.removeFirst();
    }
    return {};
}

void FolderDriveA::discardStaged()
{
    for (const Staged &file : std::as_const(staged)) {
        if (::unlinkat(folderFd.get(), file.temporary.constData(), 0) < 0)
            temporariesLeft = true;
    }
    staged.clear();
}

CopyOutcome FolderDriveA::readBack(const Staged &file)
{
    const FileDescriptor written(::openat(folderFd.get(), file.temporary.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!written)
        return diskFailure(errno);
    // The pages are clean after the flush, so dropping them makes the read reach the disk.
    if (medium == Medium::FatDisk)
        ::posix_fadvise(written.get(), 0, 0, POSIX_FADV_DONTNEED);
    const Result<OpenStyle> source = openStyle(file.source);
    if (!source.ok())
        return {source.failure.code, source.failure.reason, file.source};
    const std::optional<SameContents> compared = compareWithCopy(source.value.fd.get(), written.get(), checksummed);
    if (!compared)
        return diskFailure(errno);
    if (!compared->same)
        return readsBackDifferent(shown(file.target), file.source);
    if (checksummed)
        readBacks[file.source] = {file.size, compared->checksum};
    return {};
}
