// Every fault a keyboard owner meets, on every kind of drive A, with the failing style
// first, in the middle or last in its group: the right message box, the right groups
// green, no truncated or stray style on the disk, and every source file as it was.

#include "catalogueddrive.h"
#include "copyrun.h"
#include "devicedrive.h"
#include "drivealock.h"
#include "copyrunner.h"
#include "fakes.h"
#include "fakeudisks.h"
#include "fatname.h"
#include "floppydrive.h"
#include "folderdrive.h"
#include "imagedrive.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include <dirent.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum Kind { Folder, Image, Floppy, Device };
const char *const kindNames[] = {"folder", "image", "floppy", "internal floppy"};
const char *const positionNames[] = {"first", "middle", "last"};
// Group 2 holds the failing style among three; groups 1 and 3, of one style each, come before and after it.
constexpr int groupSizes[] = {1, 3, 1};
constexpr uid_t nobody = 65534;

// Where the run stops, which tells the groups that turn green and the styles left on the
// disk: a group that fails leaves none of its styles.
enum class Stops { Never, AtStart, InGroup2, DiskGone };

struct Expected {
    RecordedMessage box;
    Stops stops = Stops::InGroup2;
    QString skip; // why the row cannot run here
    bool asNobody = false; // root reads and writes whatever the file modes say
    bool leavesTemporaries = false; // a disk that turned read-only keeps them until the next run
    bool killedFirst = false; // a run in a child process is killed in group 2 before this one
    bool catalogueFails = false;
};

QByteArray contentsOf(const QString &path)
{
    QFile file;
    const int fd = ::open(localName(path).constData(), O_RDONLY | O_CLOEXEC);
    return fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle) ? file.readAll() : QByteArray("<unreadable>");
}

QByteArray hashOf(const QString &path)
{
    return QCryptographicHash::hash(contentsOf(path), QCryptographicHash::Sha256);
}

// The regular files in folder, under their names byte for byte.
QMap<QString, QByteArray> filesIn(const QString &folder)
{
    QMap<QString, QByteArray> files;
    DIR *dir = ::opendir(localName(folder).constData());
    while (const dirent *entry = dir ? ::readdir(dir) : nullptr) {
        const QString path = folder + '/' + fromLocalName(entry->d_name);
        struct stat info {};
        if (::lstat(localName(path).constData(), &info) == 0 && S_ISREG(info.st_mode))
            files[fromLocalName(entry->d_name)] = contentsOf(path);
    }
    if (dir)
        ::closedir(dir);
    return files;
}

QByteArray randomBytes(int size)
{
    static QRandomGenerator random(8);
    QByteArray bytes(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// A blank 720 KB floppy image, made once.
QString blankImage()
{
    static QTemporaryDir folder;
    static const QString image = folder.filePath("blank.img");
    if (!QFile::exists(image))
        mtools("mformat", {"-C", "-i", image, "-f", "720", "::"});
    return image;
}

// One row's world: three groups of styles, drive A, and what the fault has done to them.
// The run reaches drive A through it, so that a fault can strike just before or just
// after the failing style is copied. The floppy's mount point and its fake UDisks2 are
// shared by the rows.
struct Case : DriveA {
    Case(Kind kind, int position, FakeUDisks2 &udisks, const QString &floppyMountPoint)
        : kind(kind), position(position), udisks(udisks)
    {
        disk = kind == Image ? work.filePath("DSKA0000.IMG") : kind == Folder ? work.filePath("a") : floppyMountPoint;
        if (kind == Image || kind == Device)
            QFile::copy(blankImage(), work.filePath("DSKA0000.IMG"));
        if (kind == Device) {
            skip = loop.insert(work.filePath("DSKA0000.IMG"));
            disk = loop.device;
        } else if (kind != Image) {
            QDir().mkdir(disk);
        }
        for (int group = 1; group <= 3; ++group) {
            items.append(QStringList());
            for (int index = 0; index < groupSizes[group - 1]; ++index)
                addStyle(group, work.filePath(QStringLiteral("00S%1%2.STY").arg(group).arg(index)), randomBytes(3000));
        }
        failing = items[1][position];
    }
    ~Case() override
    {
        // QTemporaryDir cannot remove a name that is not UTF-8.
        if (firstStrayByte(failing) >= 0) {
            ::unlink(localName(failing).constData());
            ::unlink(localName(QDir(disk).filePath(targetName(2, failing))).constData());
        }
        if (smallDiskMounted)
            ::umount2(QFile::encodeName(disk).constData(), MNT_DETACH);
        if (!temporaryFolder.isEmpty())
            ::umount2(QFile::encodeName(temporaryFolder).constData(), MNT_DETACH);
        if (kind == Floppy)
            QDir(disk).removeRecursively();
    }

    void addStyle(int group, const QString &path, const QByteArray &content)
    {
        items[group - 1].append(path);
        keep(path, content);
    }

    void keep(const QString &path, const QByteArray &content)
    {
        writeFile(path, content);
        unchanged[path] = hashOf(path);
        written[path] = content;
    }

    // The failing style under another name or with other content, before the run.
    void replaceFailing(const QString &name, const QByteArray &content)
    {
        QFile::remove(failing);
        unchanged.remove(failing);
        failing = items[1][position] = work.filePath(name);
        keep(failing, content);
    }

    QString targetName(int group, const QString &path) const { return groupPrefix(group) + QFileInfo(path).fileName().mid(2); }

    // A floppy-sized tmpfs as the disk; only root may mount one.
    QString mountSmallDisk(const QString &options = {})
    {
        if (throughMtools())
            return {};
        if (::geteuid() != 0)
            return "mounting a small tmpfs needs root";
        if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, qPrintable("size=1440k" + options)) != 0)
            return "this machine cannot mount a tmpfs: " + qt_error_string(errno);
        smallDiskMounted = true;
        return {};
    }

    void removeDisk()
    {
        if (kind == Floppy)
            udisks.stop();
        if (kind == Image)
            QFile::remove(disk);
        else
            QDir(disk).removeRecursively();
    }

    bool throughMtools() const { return kind == Image || kind == Device; }

    void BeginRun(const QStringList &sources) override { drive->BeginRun(sources); }
    CopyOutcome CheckGroupsFit(const QList<RunGroup> &groups) override { return drive->CheckGroupsFit(groups); }
    CopyOutcome BeginGroup(const RunGroup &group) override
    {
        if (group.number == 3 && beforeGroup3)
            beforeGroup3();
        return drive->BeginGroup(group);
    }
    CopyOutcome FileCopy(const QString &source, const QString &destination) override
    {
        if (source == failing && beforeFailingCopy)
            beforeFailingCopy();
        const CopyOutcome outcome = drive->FileCopy(source, destination);
        if (source == failing && afterFailingCopy)
            afterFailingCopy();
        return outcome;
    }
    CopyOutcome Flush() override { return drive->Flush(); }
    int groupsHeldBack() const override { return drive->groupsHeldBack(); }
    CopyOutcome FinishRun() override { return drive->FinishRun(); }
    void checksumReadBacks() override { drive->checksumReadBacks(); }
    CopyReadBack readBackOf(const QString &source) const override { return drive->readBackOf(source); }
    void EndRun() override { drive->EndRun(); }

    void copy(std::unique_ptr<DriveA> chosen = {})
    {
        for (int group = 1; group <= 3; ++group)
            addStyles(groups, group, items[group - 1]);
        drive = chosen                  ? std::move(chosen)
            : kind == Device ? std::unique_ptr<DriveA>(new DeviceDriveA(disk))
            : kind == Image ? std::unique_ptr<DriveA>(new ImageDriveA(disk))
            : kind == Folder  ? std::unique_ptr<DriveA>(new FolderDriveA(disk))
                              : std::unique_ptr<DriveA>(new FloppyDriveA(system));
        const QByteArray tmp = qgetenv("TMPDIR");
        if (!temporaryFolder.isEmpty())
            qputenv("TMPDIR", QFile::encodeName(temporaryFolder));
        CataloguedDriveA catalogued(*this, [this](const QString &why) { catalogueProblems.append(why); }, catalogueFile());
        copyAndReport(groups, catalogued, messages);
        qputenv("TMPDIR", tmp);
        if (afterRun)
            afterRun();
    }

    QMap<QString, QByteArray> expectedOnDisk(Stops stops) const
    {
        QMap<QString, QByteArray> files = before;
        if (stops == Stops::DiskGone)
            return {};
        for (int group = 1; group <= 3; ++group) {
            for (const QString &item : items[group - 1]) {
                if (stops == Stops::Never || (stops == Stops::InGroup2 && group == 1))
                    files[targetName(group, item)] = written[item];
            }
        }
        return files;
    }

    // The regular files on the disk and their contents; none when the disk is gone.
    QMap<QString, QByteArray> filesOnDisk() const
    {
        if (!throughMtools())
            return filesIn(disk);
        // its files, without the folders that may fill its root directory
        const QString folder = work.filePath("read back");
        QDir().mkdir(folder);
        mtools("mcopy", {"-n", "-i", disk, "::*", folder});
        return filesIn(folder);
    }

    // A file on the disk before the run, which the run keeps unless it copies a style over it.
    void putOnDisk(const QString &name, const QByteArray &content)
    {
        before[name] = content;
        if (!throughMtools())
            return writeFile(QDir(disk).filePath(name), content);
        writeFile(work.filePath(name), content);
        mtools("mcopy", {"-i", disk, work.filePath(name), "::" + name});
    }

    Kind kind;
    int position;
    QTemporaryDir work;
    LoopFloppy loop; // the internal floppy drive
    QString skip; // why the drive cannot be had here
    QString temporaryFolder; // the run's $TMPDIR, when the row sets one
    QStringList catalogueProblems;
    QString catalogueFile() const { return work.filePath("catalogue/catalogue.sqlite"); }
    QString disk; // the folder, the image, or the floppy's mount point
    QList<QStringList> items;
    QString failing;
    QMap<QString, QByteArray> unchanged; // hash of every file that the run must leave as it is
    QMap<QString, QByteArray> written; // what the run writes of each source
    QMap<QString, QByteArray> before; // on the disk before the run
    bool floppyHoldsDisk = true;
    bool smallDiskMounted = false;
    std::function<void()> beforeFailingCopy, afterFailingCopy, beforeGroup3, afterRun;
    FakeUDisks2 &udisks;
    SystemUDisks system;
    DriveALock otherWindow;
    std::unique_ptr<DriveA> drive;
    GroupBoard groups;
    FakeMessageBoxes messages;
};

RecordedMessage ready() { return {"       READY !", MsgOkOnly, "The end is near..."}; }
RecordedMessage notReady() { return {"DISK NOT READY !", MsgCritical, "Did I forget something ?"}; }
RecordedMessage diskFull() { return {"DISK FULL: INSERT NEW DISK !", MsgCritical, "I wish I had a harddisk in my korvana !"}; }
RecordedMessage cannotCopy(const QString &source, const QString &reason)
{
    return {"CANNOT COPY: " + source + "\n" + reason, MsgCritical, "Copy to A:\\"};
}
RecordedMessage cannotCopy(const Case &c, const QString &reason)
{
    return cannotCopy(c.failing, reason);
}
Expected skipped(const QString &why) { return {.skip = why}; }

Expected noDisk(Case &c)
{
    if (c.kind == Floppy)
        c.floppyHoldsDisk = false;
    else
        c.removeDisk();
    return {notReady(), Stops::AtStart};
}

// The failing style is larger than the whole disk: a floppy's plan refuses the run.
Expected fullDisk(Case &c)
{
    if (const QString why = c.mountSmallDisk(); !why.isEmpty())
        return skipped(why);
    c.replaceFailing("00BIG.STY", randomBytes(1500 * 1024));
    if (c.kind == Folder)
        return {diskFull()};
    const QString disk = c.kind == Image ? "720 KB disk holds (713 KB)" : "1.44 MB disk holds (1.4 MB)";
    return {{"CANNOT COPY: Group 02 holds 1.5 MB of styles, more than a whole " + disk
                 + ". No new disk can take it: move some of its styles to another group.",
             MsgCritical, "Copy to A:\\"},
            Stops::AtStart};
}

// Room in the root directory for the styles before the failing one and no more.
Expected fullRootDirectory(Case &c)
{
    const int room = groupSizes[0] + c.position;
    if (c.kind == Image) {
        QStringList filler{"-i", c.disk};
        for (int i = room; i < 112; ++i) // the root directory of a 720 KB floppy
            filler << QStringLiteral("::D%1").arg(i);
        mtools("mmd", filler);
    } else if (const QString why = c.mountSmallDisk(QStringLiteral(",nr_inodes=%1").arg(room + 1)); !why.isEmpty()) {
        return skipped(why);
    }
    return {diskFull()};
}

Expected sourceVanished(Case &c)
{
    QFile::remove(c.failing);
    c.unchanged.remove(c.failing);
    return {cannotCopy(c, qt_error_string(ENOENT))};
}

Expected folderAmongItems(Case &c)
{
    QFile::remove(c.failing);
    QDir().mkdir(c.failing);
    c.unchanged.remove(c.failing);
    return {cannotCopy(c, qt_error_string(EISDIR))};
}

Expected unreadableSource(Case &c)
{
    if (::geteuid() == 0)
        return {.asNobody = true};
    QFile::setPermissions(c.failing, {});
    c.afterRun = [&c] { QFile::setPermissions(c.failing, QFile::ReadOwner | QFile::WriteOwner); };
    return {cannotCopy(c, qt_error_string(EACCES))};
}

Expected unstorableName(Case &c)
{
    c.replaceFailing("00BAD:NM.STY", randomBytes(3000));
    if (c.kind == Folder)
        return {ready(), Stops::Never};
    return {cannotCopy(c, whyFatCannotStore(c.targetName(2, c.failing)))};
}

// Write protection comes on just before the failing style: a read-only mount, or as a
// user, a folder or image file without write permission.
Expected writeProtected(Case &c)
{
    const QByteArray disk = QFile::encodeName(c.disk);
    const auto driveRefuses = [&c](int error) {
        return RecordedMessage{"CANNOT COPY: " + c.disk + ": " + qt_error_string(error), MsgCritical, "Copy to A:\\"};
    };
    if (c.kind == Image) {
        if (::geteuid() == 0)
            return {.asNobody = true};
        c.beforeFailingCopy = [disk] { ::chmod(disk.constData(), 0444); };
        return {driveRefuses(EACCES)};
    }
    if (::geteuid() != 0) {
        c.beforeFailingCopy = [disk] { ::chmod(disk.constData(), 0555); };
        c.afterRun = [disk] { ::chmod(disk.constData(), 0755); };
        return {driveRefuses(EACCES), Stops::InGroup2, {}, false, c.position > 0};
    }
    if (const QString why = c.mountSmallDisk(); !why.isEmpty())
        return skipped(why);
    c.beforeFailingCopy = [disk] { ::mount("tmpfs", disk.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1440k"); };
    return {driveRefuses(EROFS), Stops::InGroup2, {}, false, c.position > 0};
}

Expected linkOnDisk(Case &c)
{
    const QString outside = c.work.filePath("outside.txt");
    c.keep(outside, "keep me");
    const QString name = c.targetName(2, c.failing);
    QFile::link(outside, QDir(c.disk).filePath(name));
    return {cannotCopy(c, name + " on drive A is a symbolic link")};
}

// The source changes after it is copied and before it is read back. An image copies the
// whole group only when it is flushed, and then what the source holds at that moment.
Expected readBackDiffers(Case &c)
{
    c.afterFailingCopy = [&c] {
        writeFile(c.failing, randomBytes(3000));
        c.unchanged[c.failing] = hashOf(c.failing);
        if (c.kind == Image)
            c.written[c.failing] = contentsOf(c.failing);
    };
    if (c.kind == Image)
        return {ready(), Stops::Never};
    return {cannotCopy(c, c.targetName(2, c.failing) + " on drive A reads back different from its source")};
}

// The source changes once its group is written. An image holds the group back and reads it
// back with the next: the group fails, and the group before it still goes onto the image.
Expected sourceChangedLater(Case &c)
{
    c.beforeGroup3 = [&c] {
        writeFile(c.failing, randomBytes(3000));
        c.unchanged[c.failing] = hashOf(c.failing);
    };
    if (c.kind != Image)
        return {ready(), Stops::Never};
    return {cannotCopy(c, c.targetName(2, c.failing) + " on drive A reads back different from its source")};
}

// The image file removed, the folder gone, or UDisks2 losing the drive and its mount point.
Expected unplugged(Case &c)
{
    c.beforeFailingCopy = [&c] { c.removeDisk(); };
    return {notReady(), Stops::DiskGone};
}

// mcopy would write the style into a folder of its name.
Expected folderUnderTargetName(Case &c)
{
    const QString name = c.targetName(2, c.failing);
    if (c.kind == Image)
        mtools("mmd", {"-i", c.disk, "::" + name});
    else
        QDir(c.disk).mkdir(name);
    return {cannotCopy(c, name + (c.kind == Image ? " on drive A is a folder or the disk's volume label, not a file" : " on drive A is not a regular file"))};
}

// The target is a hard link to a file outside drive A, which keeps its content.
Expected hardLinkOnDisk(Case &c)
{
    const QString outside = c.work.filePath("outside.sty");
    c.keep(outside, "keep me");
    ::link(localName(outside).constData(), localName(QDir(c.disk).filePath(c.targetName(2, c.failing))).constData());
    return {ready(), Stops::Never};
}

// Drive A is the folder of a style in group 1, whose name is the failing style's target.
Expected driveHoldsTheStyles(Case &c)
{
    const QString name = c.targetName(2, c.failing), own = QDir(c.disk).filePath(name);
    c.addStyle(1, own, randomBytes(3000));
    c.before[name] = c.written[own];
    return {cannotCopy(c, name + " on drive A is the style " + own + ", which is not written over")};
}

Expected killedWhileWriting(Case &c)
{
    for (int group = 1; group <= 3; ++group) {
        for (const QString &item : c.items[group - 1])
            c.putOnDisk(c.targetName(group, item), "old " + item.toUtf8());
    }
    return {.box = ready(), .stops = Stops::Never, .killedFirst = true};
}

Expected secondWriter(Case &c)
{
    (void)c.otherWindow.take(c.disk);
    return {{"CANNOT COPY: Another Dupliva window is writing to drive A (" + c.disk + ")", MsgCritical, "Copy to A:\\"}, Stops::AtStart};
}

Expected nameMtoolsWouldChange(Case &c)
{
    c.replaceFailing(QString::fromUtf8("00X\U0001F600.STY"), randomBytes(3000));
    if (c.kind != Image)
        return {ready(), Stops::Never};
    return {cannotCopy(c, "The name " + c.targetName(2, c.failing)
                              + QString::fromUtf8(" holds the character \"\U0001F600\" (U+1F600), which mtools would store changed on a floppy image"))};
}

Expected nameNotUtf8(Case &c)
{
    c.replaceFailing(fromLocalName("00S\xff\xfe.STY"), randomBytes(3000));
    if (c.kind != Image)
        return {ready(), Stops::Never};
    return {cannotCopy(c, "The name " + c.targetName(2, c.failing) + " holds the byte 0xff, which is not a character: a floppy image cannot store it")};
}

// Another window holds the lock through another path to the same disk.
Expected secondWriterThroughLink(Case &c)
{
    const QString link = c.work.filePath("LINK.IMG");
    if (c.kind == Image)
        ::link(localName(c.disk).constData(), localName(link).constData());
    else
        QFile::link(c.disk, link);
    (void)c.otherWindow.take(link);
    return {{"CANNOT COPY: Another Dupliva window is writing to drive A (" + c.disk + ")", MsgCritical, "Copy to A:\\"}, Stops::AtStart};
}

// The image has a second name: replacing it under one would part the two.
Expected imageWithTwoNames(Case &c)
{
    if (c.kind != Image)
        return {ready(), Stops::Never};
    ::link(localName(c.disk).constData(), localName(c.work.filePath("LINK.IMG")).constData());
    return {{"CANNOT COPY: " + c.disk + " has 2 names (hard links): each group replaces the image file as a whole, which "
             "would part it from its other names. Copy the image to a file of its own.", MsgCritical, "Copy to A:\\"},
            Stops::AtStart};
}

// The failing style's name is the short name of a long-named style already on the disk.
Expected shortNameOfAnother(Case &c)
{
    c.replaceFailing("00SAMB~1.STY", randomBytes(3000));
    c.putOnDisk("02Samba Latin.sty", "keep me");
    if (c.kind != Image)
        return {ready(), Stops::Never};
    return {cannotCopy(c, "02SAMB~1.STY on drive A is the short name of the file \"02Samba Latin.sty\", which it would replace")};
}

// Another style of group 2 that FAT would store under the failing style's name.
Expected twoStylesOneName(Case &c)
{
    const QString other = c.work.filePath(QStringLiteral("99s2%1.sty").arg(c.position));
    c.addStyle(2, other, randomBytes(3000));
    return {cannotCopy(c, other + " would be written under the same name " + c.targetName(2, c.failing)
                              + " on drive A: the keyboard holds one style per name. Move one of them to another group."),
            Stops::AtStart};
}

// Group 2 does not fit even in place of its earlier copies, which stay.
Expected groupDoesNotFit(Case &c)
{
    if (const QString why = c.mountSmallDisk(); !why.isEmpty())
        return skipped(why);
    c.putOnDisk("FILLER.BIN", randomBytes((c.throughMtools() ? 600 : 1340) * 1024));
    for (const QString &item : c.items[1])
        c.putOnDisk(c.targetName(2, item), "old " + item.toUtf8());
    c.replaceFailing("00BIG.STY", randomBytes(150 * 1024));
    return {diskFull()};
}

// A group of as many names as the root directory holds, on a disk whose volume label takes
// one of them: no disk of its kind holds the group.
Expected labelledDisk(Case &c)
{
    for (int i = 1; i < 110; ++i)
        c.addStyle(2, c.work.filePath(QStringLiteral("00L%1.STY").arg(i, 3, 10, QLatin1Char('0'))), "tiny");
    if (c.kind != Image)
        return {ready(), Stops::Never};
    mtools("mlabel", {"-i", c.disk, "::KORVANA"});
    return {{"CANNOT COPY: Group 02 holds 112 styles, whose names take 112 entries of the root directory; a 720 KB disk "
             "with a volume label has 111. No new disk can take it: move some of its styles to another group.",
             MsgCritical, "Copy to A:\\"},
            Stops::AtStart};
}

// The temporary folder has no room left: drive A is not to blame and loses nothing.
Expected temporaryFolderFull(Case &c)
{
    if (::geteuid() != 0)
        return skipped("mounting a small tmpfs needs root");
    const QString folder = c.work.filePath("tmp");
    QDir().mkdir(folder);
    // Its root folder and one file take every inode it has.
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=8k,nr_inodes=2") != 0)
        return skipped("this machine cannot mount a tmpfs: " + qt_error_string(errno));
    c.temporaryFolder = folder;
    writeFile(folder + "/filler", "x");
    if (!c.throughMtools())
        return {ready(), Stops::Never};
    return {{"CANNOT COPY: The temporary folder " + folder + " is full", MsgCritical, "Copy to A:\\"}, Stops::AtStart};
}

QString serialOf(const QString &disk)
{
    return QString::fromUtf8(mtools("mdir", {"-i", disk, "::"})).section("Serial Number is ", 1).section('\n', 0, 0).trimmed();
}

// Another disk is put in drive A after group 1: a blank image renamed over the image, as
// when a stick is swapped, or a blank disk in the internal drive. No group turns green that
// is not on it, and it holds nothing of the run.
Expected diskReplaced(Case &c)
{
    if (!c.throughMtools())
        return {ready(), Stops::Never};
    const QString other = c.work.filePath("OTHER.IMG");
    mtools("mformat", {"-C", "-i", other, "-f", "720", "-N", "0BADCAFE", "::"});
    c.beforeFailingCopy = [&c, other] {
        if (c.kind == Image)
            ::rename(QFile::encodeName(other).constData(), QFile::encodeName(c.disk).constData());
        else
            mtools("mformat", {"-i", c.disk, "-f", "720", "-N", "0BADCAFE", "::"});
    };
    const QString prompt = "CANNOT COPY: Drive A holds another disk than the one this run started on: it started on the disk "
                           "without a label, serial number " + serialOf(c.disk) + " and now finds the disk without a label, "
                           "serial number 0BAD-CAFE. The groups that turned green are on the first disk; copy again to go on "
                           "with this one.";
    return {{prompt, MsgCritical, "Copy to A:\\"}, Stops::DiskGone};
}

// The catalogue's folder is a file: the run goes on, and says so once.
Expected catalogueUnusable(Case &c)
{
    writeFile(QFileInfo(c.catalogueFile()).path(), "not a folder");
    return {.box = ready(), .stops = Stops::Never, .catalogueFails = true};
}

struct Fault {
    const char *name;
    Expected (*arrange)(Case &);
    bool onImage = true; // a FAT image holds no symbolic links
    bool hasPosition = true; // without a disk the very first style fails
    bool onDevice = false; // the internal floppy drive, where root can play one
};

const Fault faults[] = {
    {"no disk", noDisk, true, false},
    {"disk full", fullDisk},
    {"root directory full", fullRootDirectory},
    {"source vanished", sourceVanished},
    {"folder among the items", folderAmongItems},
    {"unreadable source", unreadableSource},
    {"name the disk cannot store", unstorableName},
    {"write-protected disk", writeProtected},
    {"link on the disk", linkOnDisk, false},
    {"read-back differs", readBackDiffers},
    {"source changed after its group", sourceChangedLater},
    {"unplugged", unplugged},
    {"folder under the style's name", folderUnderTargetName},
    {"hard link on the disk", hardLinkOnDisk, false},
    {"drive A holds the styles", driveHoldsTheStyles, false},
    {"killed while writing", killedWhileWriting, true, true, true},
    {"second writer", secondWriter, true, false},
    {"second writer through a link", secondWriterThroughLink, true, false},
    {"image with two names", imageWithTwoNames, true, false},
    {"short name of another style", shortNameOfAnother},
    {"two styles under one name", twoStylesOneName},
    {"group that does not fit", groupDoesNotFit, true, true, true},
    {"volume label", labelledDisk, true, false},
    {"name mtools would change", nameMtoolsWouldChange},
    {"name not UTF-8", nameNotUtf8},
    {"temporary folder full", temporaryFolderFull, true, false, true},
    {"disk replaced", diskReplaced, true, true, true},
    {"catalogue unusable", catalogueUnusable, true, false},
};

// A name that drive A gives its temporary copies: "~D3KA01F.TMP".
bool isTemporaryName(const QString &name)
{
    static const QRegularExpression pattern("^~D[0-9A-Z]{6}\\.TMP$", QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

void checkFileSystem(const Case &c)
{
    const QString fsck = QStandardPaths::findExecutable("fsck.fat", {"/usr/sbin", "/sbin"});
    if (fsck.isEmpty())
        QSKIP("fsck.fat is not installed (Debian package dosfstools)");
    QProcess check;
    check.start(fsck, {"-n", c.disk});
    QVERIFY(check.waitForFinished());
    QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
}

// The run of c in a child process whose whole process group is killed delayMs after the
// failing style, mtools included: every name on the disk holds its old content or the whole
// new style, nothing else is there but the group's temporary copies, and an image stays
// sound. A floppy's FAT may be torn in the group's own folder, which the next run removes.
void killOnce(Case &c, int delayMs)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        // In the middle position only the program itself is killed, not its mtools.
        c.afterFailingCopy = [viaMtools = c.throughMtools(), delayMs, whole = c.position != 1] {
            std::thread([delayMs, whole] {
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                ::kill(whole ? 0 : ::getpid(), SIGKILL);
            }).detach();
            if (!viaMtools)
                ::pause();
        };
        const auto medium = c.kind == Floppy ? FolderDriveA::Medium::FatDisk : FolderDriveA::Medium::Folder;
        c.copy(c.throughMtools() ? std::unique_ptr<DriveA>() : std::make_unique<FolderDriveA>(c.disk, medium));
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    const QMap<QString, QByteArray> onDisk = c.filesOnDisk(), copied = c.expectedOnDisk(Stops::Never);
    int temporaries = 0;
    for (auto file = onDisk.cbegin(); file != onDisk.cend(); ++file) {
        if (isTemporaryName(file.key()))
            ++temporaries;
        else
            QVERIFY2(file.value() == c.before[file.key()] || file.value() == copied[file.key()], qPrintable(file.key()));
    }
    if (!c.throughMtools())
        QCOMPARE(temporaries, c.position + 1);
    else if (c.kind == Image) // an image is written only in its copy
        checkFileSystem(c);
}

// A folder is killed just after the failing style. Through mtools the run is killed again
// and again, each time at a later moment of the rest of the run, the three positions in
// between: writing a group, reading it back, moving it over its targets, committing the
// copy of the image that holds several groups.
void killRunInChild(Case &c)
{
    const int kills = c.throughMtools() ? 4 : 1, spanMs = c.kind == Image ? 60 : c.kind == Device ? 200 : 0;
    const int moments = kills * groupSizes[1];
    for (int kill = 0; kill < kills && !QTest::currentTestFailed(); ++kill)
        killOnce(c, spanMs * (kill * groupSizes[1] + c.position) / moments);
    // The next run removes the copy of the image, or the group's folder on the disk, that these left.
    c.afterRun = [&c] {
        QCOMPARE(QDir(c.work.path()).entryList({".DSKA0000.IMG.*"}, QDir::Hidden | QDir::Files), QStringList());
        if (c.throughMtools()) {
            QVERIFY(!mtools("mdir", {"-a", "-i", c.disk, "::"}).contains("~D"));
            checkFileSystem(c);
        }
    };
}

// The temporary copies that a disk turned read-only kept.
int takeTemporaries(QMap<QString, QByteArray> &files)
{
    const auto before = files.size();
    files.removeIf([](const auto &file) { return isTemporaryName(file.key()); });
    return int(before - files.size());
}

QList<int> greenGroups(const Case &c)
{
    QList<int> green;
    for (int group = 1; group <= GroupCount; ++group) {
        if (isGreen(c.groups, group))
            green.append(group);
    }
    return green;
}

// An image holds group 1 back until the run ends: when the image is gone by then, none is green.
QList<int> expectedGreen(Stops stops, Kind kind)
{
    if (stops == Stops::AtStart || (stops == Stops::DiskGone && kind == Image))
        return {};
    return stops == Stops::Never ? QList{1, 2, 3} : QList{1};
}

// The styles that the catalogue holds, each by its name on the disk and its checksum.
QMap<QString, QByteArray> cataloguedStyles(const Case &c)
{
    QMap<QString, QByteArray> styles;
    for (const FoundStyle &style : Catalogue::open(c.catalogueFile()).find(QString()))
        styles[style.name.toUpper()] = style.group ? style.checksum : QByteArray("a look");
    return styles;
}

// What the catalogue should hold: every style of the green groups.
QMap<QString, QByteArray> greenStyles(const Case &c)
{
    QMap<QString, QByteArray> styles;
    for (int group : greenGroups(c)) {
        for (const QString &item : c.items[group - 1])
            styles[c.targetName(group, item).toUpper()] = checksumOf(c.written.value(item));
    }
    return styles;
}

} // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT
private slots:
    void faultMatrix_data();
    void faultMatrix();

private:
    void runAsNobody();

    QTemporaryDir floppies;
    FakeUDisks2 udisks;
    QJsonObject servedMachine;
};

void TestFaultMatrix::faultMatrix_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("position");
    for (int kind : {Folder, Image, Floppy, Device}) {
        for (int fault = 0; fault < int(std::size(faults)); ++fault) {
            for (int position = 0; position < (faults[fault].hasPosition ? groupSizes[1] : 1); ++position) {
                if ((kind != Image || faults[fault].onImage) && (kind != Device || faults[fault].onDevice))
                    QTest::addRow("%s/%s/%s", kindNames[kind], faults[fault].name, positionNames[position]) << kind << fault << position;
            }
        }
    }
}

void TestFaultMatrix::faultMatrix()
{
    QFETCH(int, kind);
    QFETCH(int, fault);
    QFETCH(int, position);
    if ((kind == Image || kind == Device) && QStandardPaths::findExecutable("mcopy").isEmpty())
        QSKIP("mtools is not installed (Debian package mtools)");
    Case c(Kind(kind), position, udisks, floppies.filePath("STYLES"));
    if (!c.skip.isEmpty())
        QSKIP(qPrintable(c.skip));
    const Expected expected = faults[fault].arrange(c);
    if (!expected.skip.isEmpty())
        QSKIP(qPrintable(expected.skip));
    if (expected.asNobody)
        return runAsNobody();
    const QJsonObject machine = c.floppyHoldsDisk ? FakeMachine().usbFloppy(c.disk).json() : FakeMachine().internalFloppy(c.disk).json();
    if (kind == Floppy && (machine != servedMachine || !udisks.running())) {
        START_FAKE_UDISKS2(udisks, machine);
        servedMachine = machine;
    }

    if (expected.killedFirst) {
        killRunInChild(c);
        if (QTest::currentTestFailed())
            return;
    }
    c.copy();

    QCOMPARE(c.messages.shown.size(), 1);
    const RecordedMessage box = c.messages.shown.constFirst();
    // mtools' own words may go on past the line that matters.
    QCOMPARE(box.prompt.section('\n', 0, int(expected.box.prompt.count('\n'))), expected.box.prompt);
    QCOMPARE(box.style, expected.box.style);
    QCOMPARE(box.title, expected.box.title);
    QCOMPARE(greenGroups(c), expectedGreen(expected.stops, c.kind));
    QMap<QString, QByteArray> onDisk = c.filesOnDisk();
    const QMap<QString, QByteArray> expectedFiles = c.expectedOnDisk(expected.stops);
    QCOMPARE(takeTemporaries(onDisk), expected.leavesTemporaries ? c.position : 0);
    QCOMPARE(onDisk.keys(), expectedFiles.keys());
    for (auto file = onDisk.cbegin(); file != onDisk.cend(); ++file)
        QVERIFY2(file.value() == expectedFiles[file.key()], qPrintable(file.key() + " on the disk is not its whole source"));
    for (auto source = c.unchanged.cbegin(); source != c.unchanged.cend(); ++source)
        QVERIFY2(hashOf(source.key()) == source.value(), qPrintable(source.key() + " has changed"));
    QCOMPARE(c.catalogueProblems.size(), expected.catalogueFails ? 1 : 0);
    if (!expected.catalogueFails)
        QCOMPARE(cataloguedStyles(c), greenStyles(c));
}

// The row again, in a child process of this program that runs as user nobody.
void TestFaultMatrix::runAsNobody()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DBUS_SYSTEM_BUS_ADDRESS");
    environment.insert("TMPDIR", "/tmp");
    QTemporaryDir state;
    ::chown(localName(state.path()).constData(), nobody, nobody);
    environment.insert("XDG_STATE_HOME", state.path());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setChildProcessModifier([] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(77);
    });
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("faultMatrix:") + QTest::currentDataTag()});
    QVERIFY2(child.waitForFinished(30'000), qPrintable(child.errorString()));
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (child.exitCode() == 77)
        QSKIP("root cannot become user nobody here, and root reads and writes past file modes");
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(output));
    if (output.contains("SKIP   : TestFaultMatrix::faultMatrix"))
        QSKIP(qPrintable("as user nobody: " + output.section("SKIP   : ", 1).section('\n', 0, 1)));
    QVERIFY2(output.contains("PASS   : TestFaultMatrix::faultMatrix"), qPrintable(output));
}

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "test_faultmatrix.moc"
