#include "imagedrive.h"

#include "diskplan.h"
#include "fatname.h"
#include "floppydevice.h"
#include "localname.h"
#include "mtools.h"
#include "systemfailure.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QHash>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A failure to reach the image file itself.
CopyOutcome imageFailure(const QString &imagePath, int error)
{
    return systemFailure(error, imagePath);
}

// Opens the source file for reading, or tells why it cannot be copied. Non-blocking, so
// that a named pipe among the items cannot hang the run.
CopyOutcome openSource(const QString &path, QFile &file)
{
    const int fd = ::open(localName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) < 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        return {OtherFailure, qt_error_string(error)};
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return {OtherFailure, S_ISDIR(info.st_mode) ? qt_error_string(EISDIR) : driveText("It is not a regular file")};
    }
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return {};
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

// The names that mdir -b lists, without the "::/" in front; a folder's ends in "/".
QStringList listedNames(const QByteArray &output)
{
    QStringList names;
    for (const QString &line : QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("::/")))
            names.append(line.mid(3));
    }
    return names;
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
    namesOfNonFiles.reset();
    lock.release();
}

CopyOutcome ImageDriveA::checkImage() const
{
    if (imagePath.isEmpty())
        return {DriveNotReady, driveText("No floppy image is set up as drive A")};
    if (medium == Medium::BlockDevice)
        return examineFloppyDevice(imagePath).state;
    const ImageFile image = examineImage(imagePath);
    if (image.error)
        return imageFailure(imagePath, image.error);
    if (!image.usable())
        return {OtherFailure, image.whyNot};
    if (::access(localName(imagePath).constData(), W_OK) < 0)
        return imageFailure(imagePath, errno);
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
    if (!destination.startsWith(QLatin1String("a:"), Qt::CaseInsensitive))
        return {OtherFailure, driveText("\"%1\" names no file on drive A").arg(destination)};
    // mtools would skip a name that FAT cannot store, and say nothing.
    const QString name = destination.mid(2);
    for (const QString &why : {whyFatCannotStore(name), whyImageCannotStore(name)}) {
        if (!why.isEmpty())
            return {OtherFailure, why};
    }
    QFile source;
    if (CopyOutcome outcome = openSource(sourcePath, source); !outcome.ok())
        return outcome;
    if (CopyOutcome outcome = checkImage(); !outcome.ok())
        return outcome;
    if (const QString why = lock.take(imagePath); !why.isEmpty())
        return {OtherFailure, why};
    queued.append({sourcePath, fatDiskName(name)});
    return {};
}

CopyOutcome ImageDriveA::Flush()
{
    const QList<Copy> files = lastCopies(std::exchange(queued, {}));
    if (files.isEmpty())
        return {};
    CopyOutcome outcome = refuseChangedNames(files);
    if (outcome.ok())
        outcome = refuseNonFiles(files);
    if (!outcome.ok())
        return outcome;
    outcome = write(files);
    if (outcome.ok())
        outcome = syncImage();
    if (outcome.ok())
        outcome = readBack(files);
    if (!outcome.ok()) {
        // No part of a failed group stays, nor a garbled style.
        removeFiles(files);
        syncImage();
    }
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
        QFile(empty).open(QIODevice::WriteOnly);
        arguments.append(empty);
    }
    arguments.append(QStringLiteral("::"));
    runMtools(QStringLiteral("mformat"), {QStringLiteral("-C"), QStringLiteral("-i"), image, QStringLiteral("-f"), QStringLiteral("1440"), QStringLiteral("::")});
    runMtools(QStringLiteral("mcopy"), arguments);
    const MtoolsRun listing = runMtools(QStringLiteral("mdir"), {QStringLiteral("-i"), image, QStringLiteral("-b"), QStringLiteral("-a"), QStringLiteral("::")});
    if (!listing.ok())
        return {OtherFailure, mtoolsFailure(image, listing.exitCode, listing.errors).reason, unusual.constFirst().source};
    const QStringList stored = listedNames(listing.output);
    for (const Copy &file : std::as_const(unusual)) {
        if (!stored.contains(file.name))
            return {OtherFailure,
                    driveText("The name %1 holds the character %2, which mtools would store changed on a floppy image")
                        .arg(file.name, changedCharacter(file.name, stored)),
                    file.source};
    }
    return {};
}

// mcopy would write a style into a folder of its name, and a volume label is no file.
CopyOutcome ImageDriveA::refuseNonFiles(const QList<Copy> &files)
{
    if (!namesOfNonFiles) {
        const MtoolsRun listing = runMtools(QStringLiteral("mdir"), {QStringLiteral("-i"), imagePath, QStringLiteral("-b"), QStringLiteral("-a"), QStringLiteral("::")});
        const MtoolsRun label = runMtools(QStringLiteral("mlabel"), {QStringLiteral("-i"), imagePath, QStringLiteral("-s"), QStringLiteral("::")});
        for (const MtoolsRun &run : {listing, label}) {
            if (!run.ok()) {
                CopyOutcome outcome = mtoolsFailure(imagePath, run.exitCode, run.errors);
                outcome.source = files.constFirst().source;
                return outcome;
            }
        }
        namesOfNonFiles.emplace();
        for (const QString &name : listedNames(listing.output)) {
            if (name.endsWith(QLatin1Char('/')))
                namesOfNonFiles->insert(name.chopped(1).toCaseFolded());
        }
        const QString labelText = QString::fromUtf8(label.output).section(QLatin1String(" is "), 1).trimmed();
        if (!labelText.isEmpty())
            namesOfNonFiles->insert(labelText.toCaseFolded());
    }
    for (const Copy &file : files) {
        if (namesOfNonFiles->contains(file.name.toCaseFolded()))
            return {OtherFailure, driveText("%1 on drive A is a folder or the disk's volume label, not a file").arg(file.name), file.source};
    }
    return {};
}

// One mcopy for the group, from a private folder of links named after the targets.
CopyOutcome ImageDriveA::write(const QList<Copy> &files) const
{
    const QTemporaryDir links;
    // "-D oO" replaces a file of the same name; without a policy mtools skips it or asks.
    QStringList arguments{QStringLiteral("-i"), imagePath, QStringLiteral("-D"), QStringLiteral("oO")};
    for (const Copy &file : files) {
        const QString link = links.filePath(file.name);
        const QByteArray source = localName(QFileInfo(file.source).absoluteFilePath());
        if (!links.isValid() || ::symlink(source.constData(), localName(link).constData()) < 0)
            return {OtherFailure, QStringLiteral("%1: %2").arg(link, qt_error_string(errno)), file.source};
        arguments.append(link);
    }
    arguments.append(QStringLiteral("::"));
    const MtoolsRun run = runMtools(QStringLiteral("mcopy"), arguments);
    if (run.ok())
        return {};
    CopyOutcome outcome = mtoolsFailure(imagePath, run.exitCode, run.errors);
    outcome.source = files.constLast().source;
    return outcome;
}

void ImageDriveA::removeFiles(const QList<Copy> &files) const
{
    QStringList names;
    for (const Copy &file : files)
        names.append(file.name);
    runMtools(QStringLiteral("mdel"), QStringList{QStringLiteral("-i"), imagePath} + onImage(names));
}

CopyOutcome ImageDriveA::syncImage() const
{
    if (imagePath.isEmpty())
        return {DriveNotReady, driveText("No floppy image is set up as drive A")};
    const int fd = ::open(localName(imagePath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
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

// One mcopy reads the whole group back into a private folder.
CopyOutcome ImageDriveA::readBack(const QList<Copy> &files) const
{
    const QTemporaryDir folder;
    QStringList names;
    for (const Copy &file : files)
        names.append(file.name);
    const MtoolsRun run = runMtools(QStringLiteral("mcopy"), QStringList{QStringLiteral("-n"), QStringLiteral("-i"), imagePath}
                                                               + onImage(names) + QStringList{folder.path()});
    // mcopy names a file with a short name only in lower case.
    QHash<QString, QString> readFiles;
    for (const QString &name : QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System))
        readFiles.insert(name.toCaseFolded(), folder.filePath(name));
    for (const Copy &file : files) {
        const QString read = readFiles.value(file.name.toCaseFolded());
        CopyOutcome outcome;
        QFile source, copy(read);
        if (read.isEmpty())
            outcome = run.ok() ? CopyOutcome{OtherFailure, driveText("%1 on drive A cannot be read back").arg(file.name)}
                               : mtoolsFailure(imagePath, run.exitCode, run.errors);
        else if (outcome = openSource(file.source, source); outcome.ok() && (!copy.open(QIODevice::ReadOnly) || source.readAll() != copy.readAll()))
            outcome = {OtherFailure, driveText("%1 on drive A reads back different from its source").arg(file.name)};
        if (!outcome.ok()) {
            outcome.source = file.source;
            return outcome;
        }
    }
    return {};
}

// The last copy under a name is the one that counts; names on FAT ignore case.
QList<ImageDriveA::Copy> ImageDriveA::lastCopies(const QList<Copy> &copies)
{
    QHash<QString, qsizetype> last;
    for (qsizetype i = 0; i < copies.size(); ++i)
        last.insert(copies[i].name.toCaseFolded(), i);
    QList<Copy> files;
    for (qsizetype i = 0; i < copies.size(); ++i) {
        if (last.value(copies[i].name.toCaseFolded()) == i)
            files.append(copies[i]);
    }
    return files;
}
