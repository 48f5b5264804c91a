#include "mtools.h"

#include "fatname.h"
#include "filedescriptor.h"
#include "floppysizes.h"
#include "localname.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <csignal>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Generous for an image on a slow USB stick; a floppy image is at most 2.88 MB.
constexpr int startLimitMs = 30 * 1000;
constexpr int finishLimitMs = 120 * 1000;

// mtools reads /etc/mtools.conf, ~/.mtoolsrc and $MTOOLSRC, and MTOOLS_* variables
// override all three. A broken ~/.mtoolsrc fails every call, and mtools_skip_check=1
// would let it write into a hard-disk image; so no user file is read, and the checks
// that matter are set here.
QProcessEnvironment mtoolsEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : environment.keys()) {
        if (name.startsWith(QLatin1String("MTOOLS")))
            environment.remove(name);
    }
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent"));
    environment.insert(QStringLiteral("MTOOLSRC"), QStringLiteral("/dev/null"));
    environment.insert(QStringLiteral("MTOOLS_SKIP_CHECK"), QStringLiteral("0"));
    environment.insert(QStringLiteral("MTOOLS_NO_VFAT"), QStringLiteral("0"));
    return environment;
}

// Runs in the child before exec. Without a controlling terminal, mtools cannot stop to
// ask a question on /dev/tty and hang; setsid() would do it too, but costs each call a
// new scheduling group of its own. The child is killed when the thread that waits for it
// ends, also when the whole program is killed, so that no mtools writes on alone.
void prepareChild(pid_t parent, int inherited)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    if (const FileDescriptor terminal(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)); terminal)
        ::ioctl(terminal.get(), TIOCNOTTY);
    if (inherited >= 0)
        ::fcntl(inherited, F_SETFD, 0);
}

MtoolsRun notRun(const QString &why)
{
    MtoolsRun run;
    run.errors = why;
    return run;
}

// The system's words as mtools prints them under LC_ALL=C.UTF-8, whatever the
// program's own locale says.
bool saysNoMedium(const QString &errors)
{
    // The image's USB stick was pulled (EIO, ENODEV, ENXIO, ENOMEDIUM), or the image is gone.
    for (const char *words : {"Input/output error", "No such device", "No medium found"}) {
        if (errors.contains(QLatin1String(words)))
            return true;
    }
    const auto lines = QStringView(errors).split(QLatin1Char('\n'));
    return std::any_of(lines.begin(), lines.end(), [](QStringView line) {
        return line.startsWith(QLatin1String("Can't open ")) && line.endsWith(QLatin1String(": No such file or directory"));
    });
}

bool saysNoFatFileSystem(const QString &errors)
{
    return errors.contains(QLatin1String("non DOS media"))
        || (errors.contains(QLatin1String("Cannot initialize '::'")) && !errors.contains(QLatin1String("Can't open ")));
}

qint64 bootSectorField(const QString &minfo, const char *field)
{
    const QRegularExpression line(QStringLiteral("^%1: (\\d+)").arg(QLatin1String(field)), QRegularExpression::MultilineOption);
    return line.match(minfo).captured(1).toLongLong();
}

// The room of a disk whose boot sector minfo printed; the data clusters are what the
// sectors leave after the boot sectors, the FATs and the root directory.
std::optional<DiskRoom> roomFromBootSector(const QString &minfo)
{
    const qint64 sectorBytes = bootSectorField(minfo, "sector size");
    const qint64 sectorsPerCluster = bootSectorField(minfo, "cluster size");
    const qint64 sectors = std::max(bootSectorField(minfo, "small size"), bootSectorField(minfo, "big size"));
    const qint64 rootEntries = bootSectorField(minfo, "max available root directory slots");
    if (sectorBytes <= 0 || sectorsPerCluster <= 0 || sectors <= 0 || rootEntries <= 0)
        return std::nullopt;
    const qint64 systemSectors = bootSectorField(minfo, "reserved \\(boot\\) sectors")
        + bootSectorField(minfo, "fats") * bootSectorField(minfo, "sectors per fat")
        + (rootEntries * directoryEntryBytes + sectorBytes - 1) / sectorBytes;
    DiskRoom room;
    room.capacity = sectors * sectorBytes;
    room.clusterBytes = sectorBytes * sectorsPerCluster;
    room.clusters = (sectors - systemSectors) / sectorsPerCluster;
    room.rootEntries = int(rootEntries);
    return room;
}

// The root directory as `mdir -a` prints it under LC_ALL=C.UTF-8.
RootListing parseRootListing(const QByteArray &mdirOutput)
{
    // "01SAMB~1 STY      3000 2026-12-07  22:08  01Samba Latin.sty"; the long name is
    // missing when the short one is the whole name.
    static const QRegularExpression entryLine(
        QStringLiteral("^(.{8}) (.{3}) +(<DIR>|\\d+) +\\d{4}-\\d\\d-\\d\\d +\\d\\d?:\\d\\d(?:  (.*\\S))? *$"));
    static const QRegularExpression freeLine(QStringLiteral("^ *([0-9][0-9 ]*) bytes free$"));
    static const QString labelLine = QStringLiteral(" Volume in drive : is ");
    static const QString serialLine = QStringLiteral(" Volume Serial Number is ");
    RootListing listing;
    for (const QString &line : QString::fromUtf8(mdirOutput).split(QLatin1Char('\n'))) {
        if (line.startsWith(labelLine)) {
            listing.label = line.mid(labelLine.size()).trimmed();
        } else if (line.startsWith(serialLine)) {
            listing.serial = line.mid(serialLine.size()).trimmed();
        } else if (const QRegularExpressionMatch free = freeLine.match(line); free.hasMatch()) {
            listing.freeBytes = free.captured(1).remove(QLatin1Char(' ')).toLongLong();
        } else if (const QRegularExpressionMatch entry = entryLine.match(line); entry.hasMatch()) {
            const QString base = entry.captured(1).trimmed(), extension = entry.captured(2).trimmed();
            RootEntry root;
            root.shortName = extension.isEmpty() ? base : base + QLatin1Char('.') + extension;
            root.name = entry.captured(4).isEmpty() ? root.shortName : entry.captured(4);
            root.folder = entry.captured(3) == QLatin1String("<DIR>");
            root.bytes = root.folder ? 0 : entry.captured(3).toLongLong();
            listing.entries.append(root);
        }
    }
    return listing;
}

} // namespace

MtoolsRun runMtools(const QString &program, const QStringList &arguments, int inherited)
{
    static const QProcessEnvironment environment = mtoolsEnvironment();
    const QString executable = QStandardPaths::findExecutable(program);
    if (executable.isEmpty())
        return notRun(driveText("%1 was not found: the Debian package mtools is not installed").arg(program));

    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier([parent = ::getpid(), inherited] { prepareChild(parent, inherited); });
    process.start(executable, arguments);
    if (!process.waitForStarted(startLimitMs))
        return notRun(driveText("%1 did not start: %2").arg(program, process.errorString()));
    if (!process.waitForFinished(finishLimitMs)) {
        process.kill();
        process.waitForFinished(startLimitMs);
        return notRun(driveText("%1 did not finish within %2 seconds").arg(program).arg(finishLimitMs / 1000));
    }

    MtoolsRun run;
    run.finished = process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput();
    run.errors = QString::fromUtf8(process.readAllStandardError()).trimmed();
    // "plain_io: No space left on device" and "buffer_flush: short write", and still exit code 0.
    run.shortWrite = run.errors.contains(QLatin1String("short write")) || run.errors.contains(QLatin1String("No space left on device"));
    if (!run.finished)
        run.errors = driveText("%1 crashed. %2").arg(program, run.errors).trimmed();
    return run;
}

CopyOutcome mtoolsFailure(const QString &imagePath, int exitCode, const QString &errors)
{
    const QString words = errors.trimmed();
    if (words.contains(QLatin1String("Disk full")) || words.contains(QLatin1String("No directory slots")))
        return {DiskFull, words};
    if (saysNoMedium(words))
        return {DriveNotReady, words};
    if (saysNoFatFileSystem(words))
        return {OtherFailure, driveText("%1 holds no FAT file system (mtools says: %2): it may be a hard-disk image")
                                  .arg(imagePath, words.section(QLatin1Char('\n'), 0, 0))};
    if (words.isEmpty())
        return {OtherFailure, driveText("mtools gave up on %1 without a word (exit code %2)").arg(imagePath).arg(exitCode)};
    return {OtherFailure, words};
}

namespace {

Result<RootListing> listFolder(const QString &imageOrDevice, const QString &folder)
{
    const MtoolsRun run = runMtools(QStringLiteral("mdir"), {QStringLiteral("-i"), imageOrDevice, QStringLiteral("-a"), folder});
    if (!run.ok())
        return {{}, mtoolsFailure(imageOrDevice, run.exitCode, run.errors)};
    return {parseRootListing(run.output), {}};
}

} // namespace

Result<RootListing> listRoot(const QString &imageOrDevice)
{
    return listFolder(imageOrDevice, QStringLiteral("::"));
}

Result<QHash<QString, QByteArray>> readFolderThroughMtools(const QString &imageOrDevice, const QString &folder)
{
    const Result<RootListing> listing = listFolder(imageOrDevice, folder);
    if (!listing.ok())
        return {{}, listing.failure};
    const MtoolsRun run = runMtools(QStringLiteral("mcopy"), {QStringLiteral("-i"), imageOrDevice, folder + (folder.endsWith(QLatin1Char(':')) ? "*" : "/*"), QStringLiteral("-")});
    if (!run.ok())
        return {{}, mtoolsFailure(imageOrDevice, run.exitCode, run.errors)};
    // mcopy writes the files one after the other, in the order in which mdir lists them.
    Result<QHash<QString, QByteArray>> files;
    qint64 at = 0;
    for (const RootEntry &entry : listing.value.entries) {
        if (entry.folder)
            continue;
        files.value.insert(entry.name.toCaseFolded(), run.output.mid(at, entry.bytes));
        at += entry.bytes;
    }
    if (at != run.output.size())
        files.failure = {OtherFailure, driveText("%1 on %2 reads back %3 bytes where mdir lists %4").arg(folder, imageOrDevice).arg(run.output.size()).arg(at)};
    return files;
}

RoomAndRoot diskRoomThroughMtools(const QString &imageOrDevice)
{
    const Result<RootListing> root = listRoot(imageOrDevice);
    return {root.ok() ? diskRoomWithListing(imageOrDevice, root.value) : std::nullopt, root.value};
}

std::optional<DiskRoom> diskRoomWithListing(const QString &imageOrDevice, const RootListing &root)
{
    const MtoolsRun info = runMtools(QStringLiteral("minfo"), {QStringLiteral("-i"), imageOrDevice, QStringLiteral("::")});
    std::optional<DiskRoom> room = info.ok() ? roomFromBootSector(QString::fromUtf8(info.output)) : std::nullopt;
    if (!room || root.freeBytes < 0)
        return std::nullopt;
    QStringList names;
    for (const RootEntry &entry : root.entries) {
        names.append(entry.name);
        if (!entry.folder)
            room->fileBytes.insert(entry.name.toUpper(), entry.bytes);
    }
    room->countRootDirectory(!root.label.isEmpty(), names);
    room->freeClusters = root.freeBytes / room->clusterBytes;
    return room;
}

QString mtoolsPattern(const QString &name)
{
    QString pattern;
    pattern.reserve(name.size() + 4);
    for (const QChar c : name) {
        if (QLatin1String("[]*?\\").contains(c))
            pattern += QLatin1Char('\\');
        pattern += c;
    }
    return pattern;
}

ImageFile examineImage(const QString &path)
{
    ImageFile image;
    struct stat info {};
    if (::stat(localName(path).constData(), &info) < 0) {
        image.error = errno;
        image.whyNot = QStringLiteral("%1: %2").arg(path, qt_error_string(image.error));
        return image;
    }
    image.size = info.st_size;
    const QString name = QFileInfo(path).fileName();
    if (!S_ISREG(info.st_mode))
        image.whyNot = driveText("%1 is not a floppy image file").arg(path);
    else if (!isFloppySize(image.size))
        image.whyNot = driveText("%1 is %2 bytes, not the size of a floppy image (720 KB, 1.2 MB, 1.44 MB or "
                                      "2.88 MB): it may be a hard-disk image")
                           .arg(name)
                           .arg(image.size);
    // mtools reads "IMAGE@@OFFSET" as an image with an offset.
    else if (path.contains(QLatin1String("@@")))
        image.whyNot = driveText("mtools cannot open an image whose path holds \"@@\": %1").arg(path);
    return image;
}
