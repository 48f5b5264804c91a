#include "mtoolsdrive.h"

#include "checksum.h"
#include "fatname.h"
#include "floppysizes.h"
#include "localname.h"
#include "privatefolder.h"
#include "stylecopy.h"
#include "systemfailure.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

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

// The temporary folder, not drive A, is at fault: no style is to blame either.
CopyOutcome temporaryFolderFailure(const QString &why)
{
    return driveFailure(OtherFailure, why);
}

CopyOutcome temporaryFolderFailure(int error)
{
    return temporaryFolderFailure(whyNoTemporaryFolder(QDir::toNativeSeparators(QDir::tempPath()), error));
}

QByteArray contentsOf(int fd)
{
    QFile file;
    return file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) ? file.readAll() : QByteArray();
}

} // namespace

CopyOutcome fileFailure(const QString &path, int error)
{
    return driveFailure(systemFailure(error, path));
}

MtoolsDriveA::MtoolsDriveA(const QString &path)
    : path(path)
{
}

void MtoolsDriveA::BeginRun(const QStringList &)
{
    EndRun();
    readBacks.clear();
}

void MtoolsDriveA::EndRun()
{
    queued.clear();
    lock.release();
    opened = false;
    room.reset();
}

// Drive A is locked and looked at once for the whole run. A disk that cannot be read is
// left to the first group to report.
CopyOutcome MtoolsDriveA::CheckGroupsFit(const QList<RunGroup> &groups)
{
    if (groups.isEmpty() || !checkDrive().ok() || !open().ok())
        return {};
    return refuseGroupNoDiskHolds(room, groups);
}

CopyOutcome MtoolsDriveA::BeginGroup(const RunGroup &next)
{
    group = next;
    queued.clear();
    if (CopyOutcome outcome = checkDrive(); !outcome.ok())
        return outcome;
    return open();
}

CopyOutcome MtoolsDriveA::open()
{
    if (opened)
        return {};
    CopyOutcome outcome = openDrive();
    opened = outcome.ok();
    if (!opened)
        lock.release();
    return outcome;
}

CopyOutcome MtoolsDriveA::FileCopy(const QString &sourcePath, const QString &name)
{
    CopyOutcome outcome = checkNameOnDriveA(name);
    if (!outcome.ok())
        return outcome;
    // mtools would skip a name that FAT cannot store, and say nothing.
    for (const QString &why : {whyFatCannotStore(name), whyImageCannotStore(name)}) {
        if (!why.isEmpty())
            return {OtherFailure, why};
    }
    if (outcome = openStyle(sourcePath).failure; !outcome.ok())
        return outcome;
    if (outcome = checkDrive(); !outcome.ok())
        return outcome;
    if (outcome = open(); !outcome.ok())
        return outcome;
    queued.append({sourcePath, fatDiskName(name)});
    return {};
}

CopyOutcome MtoolsDriveA::Flush()
{
    const QList<Copy> files = std::exchange(queued, {});
    if (files.isEmpty())
        return {};
    CopyOutcome outcome = checkSameDisk();
    if (outcome.ok())
        outcome = refuseChangedNames(files);
    if (outcome.ok())
        outcome = refuseNamesTaken(files);
    if (!outcome.ok())
        return outcome;
    const GroupFit fit = fitOnDisk(files);
    if (fit == GroupFit::None)
        return {DiskFull, driveText("Group %1 does not fit on the disk in drive A").arg(group.number, 2, 10, QLatin1Char('0'))};
    return writeGroup(files, fit);
}

// Asks mtools itself, on a blank image of its own, how it stores each name that is
// not plain ASCII; a name it would change is not written at all.
CopyOutcome MtoolsDriveA::refuseChangedNames(const QList<Copy> &files) const
{
    QList<Copy> unusual;
    std::copy_if(files.begin(), files.end(), std::back_inserter(unusual), [](const Copy &file) { return !isAscii(file.name); });
    if (unusual.isEmpty())
        return {};
    const PrivateFolder scratch;
    if (!scratch.isValid())
        return temporaryFolderFailure(scratch.errorString());
    const QString image = scratch.filePath(QStringLiteral("names.img"));
    QStringList arguments{QStringLiteral("-i"), image, QStringLiteral("-D"), QStringLiteral("oO")};
    for (const Copy &file : std::as_const(unusual)) {
        const QString empty = scratch.filePath(file.name);
        FileDescriptor(::open(localName(empty).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        arguments.append(empty);
    }
    arguments.append(QStringLiteral("::"));
    const MtoolsRun made = runMtools(QStringLiteral("mformat"), {QStringLiteral("-C"), QStringLiteral("-i"), image, QStringLiteral("-f"),
                                                                 QString::number(floppy1440K.bytes / 1024), QStringLiteral("::")});
    if (made.shortWrite)
        return temporaryFolderFailure(ENOSPC);
    runMtools(QStringLiteral("mcopy"), arguments);
    const Result<RootListing> listing = listRoot(image);
    QStringList stored;
    for (const RootEntry &entry : listing.value.entries)
        stored.append(entry.name);
    if (!listing.ok())
        return temporaryFolderFailure(driveText("The temporary folder %1 cannot hold a blank floppy image: %2")
                                          .arg(QDir::toNativeSeparators(QDir::tempPath()), listing.failure.reason));
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
CopyOutcome MtoolsDriveA::refuseNamesTaken(const QList<Copy> &files) const
{
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

MtoolsDriveA::SourceLinks::SourceLinks(const QList<Copy> &files)
{
    if (!folder.isValid()) {
        failure = temporaryFolderFailure(folder.errorString());
        return;
    }
    for (const Copy &file : files) {
        const QString link = folder.filePath(file.name);
        if (::symlink(localName(absolutePath(file.source)).constData(), localName(link).constData()) < 0) {
            failure = temporaryFolderFailure(errno);
            return;
        }
        paths.append(link);
        lastSource = file.source;
    }
}

CopyOutcome MtoolsDriveA::write(const QString &target, const QString &folder, const SourceLinks &links, int lockHeld) const
{
    // "-D oO" replaces a file of the same name; without a policy mtools skips it or asks.
    const QStringList arguments = QStringList{QStringLiteral("-i"), target, QStringLiteral("-D"), QStringLiteral("oO")} + links.paths;
    const MtoolsRun run = runMtools(QStringLiteral("mcopy"), arguments + QStringList{folder}, lockHeld);
    if (run.ok())
        return {};
    CopyOutcome outcome = mtoolsFailure(path, run.exitCode, run.errors);
    outcome.source = links.lastSource;
    return outcome;
}

CopyOutcome MtoolsDriveA::write(const QString &target, const QString &folder, const QList<Copy> &files, int lockHeld) const
{
    const SourceLinks links(files);
    return links.failure.ok() ? write(target, folder, links, lockHeld) : links.failure;
}

CopyOutcome MtoolsDriveA::compare(const QHash<QString, QByteArray> &read, const QList<Copy> &files)
{
    for (const Copy &file : files) {
        const Result<OpenStyle> style = openStyle(file.source);
        if (!style.ok())
            return {style.failure.code, style.failure.reason, file.source};
        const auto copy = read.constFind(file.name.toCaseFolded());
        if (copy == read.cend())
            return {OtherFailure, driveText("%1 on drive A cannot be read back").arg(file.name), file.source};
        if (*copy != contentsOf(style.value.fd.get()))
            return readsBackDifferent(file.name, file.source);
        if (checksummed)
            readBacks[file.source] = {copy->size(), checksumOf(*copy)};
    }
    return {};
}

CopyOutcome MtoolsDriveA::otherDisk(const RootListing &now) const
{
    const auto disk = [](const RootListing &listing) {
        const QString label = listing.label.isEmpty() ? driveText("without a label") : listing.label;
        return listing.serial.isEmpty() ? label : driveText("%1, serial number %2").arg(label, listing.serial);
    };
    return driveFailure(OtherFailure, driveText("Drive A holds another disk than the one this run started on: it started on "
                                                "the disk %1 and now finds the disk %2. The groups that turned green are on "
                                                "the first disk; copy again to go on with this one.")
                                          .arg(disk(root), disk(now)));
}
