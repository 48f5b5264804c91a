#include "copyrun.h"
#include "drivechoice.h"
#include "copyrunner.h"
#include "fakes.h"
#include "fakeudisks.h"
#include "floppies.h"
#include "floppydrive.h"
#include "imageformat.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString mountOptions = QStringLiteral("auth.no_user_interaction=false interactive");
const QString policyRefusal = QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain");
constexpr uid_t nobody = 65534;

// One copy run of the groups to drive A as the choice finds it; its last message.
QString copyRun(const DriveAChoice &choice, GroupBoard &groups)
{
    ChosenDriveA drive(choice);
    FakeMessageBoxes messages;
    copyAndReport(groups, drive, messages);
    return messages.shown.isEmpty() ? QString() : messages.shown.last().prompt;
}

QStringList filesOn(const QString &disk)
{
    return QString::fromUtf8(mtools("mdir", {"-b", "-i", disk, "::"})).remove("::/").split('\n', Qt::SkipEmptyParts);
}

UDisksMachine machineWith(const UDisksDrive &drive, const QList<UDisksBlock> &blocks)
{
    return {{drive}, blocks};
}

UDisksBlock blockOf(const QString &drive, const QString &device, qint64 size)
{
    UDisksBlock block;
    block.path = "/blocks/" + device.section('/', -1);
    block.device = device;
    block.drive = drive;
    block.size = size;
    return block;
}

} // namespace

class TestFloppyDrive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void floppyRule_data();
    void floppyRule();
    void driveOrder_data();
    void driveOrder();
    void namedBlockDevices_data();
    void namedBlockDevices();
    void detectsTheMachinesFloppyDrives();
    void copyMountsTheDiskOncePerRun();
    void failuresBeforeTheCopy_data();
    void failuresBeforeTheCopy();
    void noUDisksOnTheBus();
    void formatUnmountsFormatsAndMounts_data();
    void formatUnmountsFormatsAndMounts();
    void descriptionNeverSpinsTheDrive_data();
    void descriptionNeverSpinsTheDrive();
    void fullFloppyIsDiskFull();
    void internalDriveIsWrittenThroughMtools();
    void refusalReachesTheUser();

private:
    std::unique_ptr<QTemporaryDir> work;
    QString floppyFolder;
    QString stickFolder;
    QString style;
};

// The folders keep their paths for the whole program, so that data tables can name them.
void TestFloppyDrive::initTestCase()
{
    work = std::make_unique<QTemporaryDir>();
    QVERIFY(work->isValid());
    floppyFolder = work->filePath("STYLES");
    stickFolder = work->filePath("stick");
    style = work->filePath("01Samba.sty");
}

void TestFloppyDrive::init()
{
    QVERIFY(QDir(work->path()).removeRecursively() && QDir().mkpath(work->path()));
    QVERIFY(QDir().mkpath(floppyFolder) && QDir().mkpath(stickFolder));
    writeFile(style, "samba style");
}

void TestFloppyDrive::floppyRule_data()
{
    QTest::addColumn<QStringList>("compatibility");
    QTest::addColumn<bool>("mediaRemovable");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("partitionSize");
    QTest::addColumn<bool>("isFloppy");

    QTest::newRow("tagged, as UDisks2 shows it: size 0") << QStringList{"floppy"} << true << 0LL << 0LL << true;
    QTest::newRow("LS-120 reads floppies") << QStringList{"floppy_ls120"} << true << 0LL << 0LL << true;
    QTest::newRow("Zip drive") << QStringList{"floppy_zip"} << true << 100'663'296LL << 0LL << false;
    QTest::newRow("untagged 720 KB") << QStringList{} << true << 737'280LL << 0LL << true;
    QTest::newRow("untagged 2.88 MB") << QStringList{} << true << 2'949'120LL << 0LL << true;
    QTest::newRow("one byte over 2.88 MB") << QStringList{} << true << 2'949'121LL << 0LL << false;
    QTest::newRow("untagged, size unknown") << QStringList{} << true << 0LL << 0LL << false;
    QTest::newRow("fixed disk of floppy size") << QStringList{} << false << 1'474'560LL << 0LL << false;
    QTest::newRow("USB stick") << QStringList{"thumb"} << true << 1'474'560LL << 0LL << false;
    QTest::newRow("card reader tagged floppy too") << QStringList{"floppy", "flash_sm"} << true << 0LL << 0LL << false;
    QTest::newRow("optical drive") << QStringList{"optical_cd"} << true << 1'474'560LL << 0LL << false;
    QTest::newRow("stick with a small partition") << QStringList{} << true << 8'004'304'896LL << 1'048'576LL << false;
}

void TestFloppyDrive::floppyRule()
{
    QFETCH(QStringList, compatibility);
    QFETCH(bool, mediaRemovable);
    QFETCH(qint64, size);
    QFETCH(qint64, partitionSize);
    QFETCH(bool, isFloppy);
    UDisksDrive drive{.path = "/drives/d", .mediaCompatibility = compatibility, .mediaRemovable = mediaRemovable};
    QList<UDisksBlock> blocks = {blockOf(drive.path, "/dev/sdb", size)};
    if (partitionSize > 0) {
        blocks.append(blockOf(drive.path, "/dev/sdb1", partitionSize));
        blocks.last().isPartition = true;
        blocks.last().hasFilesystem = true;
    }
    const UDisksMachine machine = machineWith(drive, blocks);

    QCOMPARE(isFloppyDrive(drive, machine), isFloppy);
    QCOMPARE(floppyDrives(machine).size(), isFloppy ? 1 : 0);
}

void TestFloppyDrive::driveOrder_data()
{
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QStringList>("mounted");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("by device name") << QStringList{"/dev/sdb", "/dev/fd1", "/dev/fd0"} << QStringList{}
                                    << QStringList{"/dev/fd0", "/dev/fd1", "/dev/sdb"};
    QTest::newRow("the mounted one first") << QStringList{"/dev/fd0", "/dev/sdd", "/dev/sdb"} << QStringList{"/dev/sdd"}
                                           << QStringList{"/dev/sdd", "/dev/fd0", "/dev/sdb"};
}

void TestFloppyDrive::driveOrder()
{
    QFETCH(QStringList, devices);
    QFETCH(QStringList, mounted);
    QFETCH(QStringList, order);
    UDisksMachine machine;
    for (const QString &device : devices) {
        const QString drivePath = "/drives/" + device.section('/', -1);
        machine.drives.append({.path = drivePath, .mediaCompatibility = {"floppy"}, .mediaRemovable = true});
        machine.blocks.append(blockOf(drivePath, device, 0));
        if (mounted.contains(device))
            machine.blocks.last().mountPoints = QStringList{"/media/" + device.section('/', -1)};
    }

    QStringList found;
    for (const UDisksFloppy &floppy : floppyDrives(machine))
        found.append(floppy.block.device);
    QCOMPARE(found, order);
}

void TestFloppyDrive::namedBlockDevices_data()
{
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("block");
    QTest::newRow("whole disk") << "/dev/sdb" << "/dev/sdb";
    QTest::newRow("by a link") << "/dev/disk/by-id/usb-TEAC_FD-05PUB" << "/dev/sdb";
    QTest::newRow("file system on a partition") << "/dev/sdc" << "/dev/sdc1";
    QTest::newRow("unknown") << "/dev/sdx" << "";
    QTest::newRow("nothing") << "" << "";
}

void TestFloppyDrive::namedBlockDevices()
{
    QFETCH(QString, named);
    QFETCH(QString, block);
    UDisksMachine machine;
    machine.drives = {{.path = "/drives/floppy", .mediaRemovable = true}, {.path = "/drives/stick", .mediaRemovable = true}};
    machine.blocks = {blockOf("/drives/floppy", "/dev/sdb", 1'474'560), blockOf("/drives/stick", "/dev/sdc", 8'004'304'896),
                      blockOf("/drives/stick", "/dev/sdc1", 8'004'304'896)};
    machine.blocks[0].symlinks = QStringList{"/dev/disk/by-id/usb-TEAC_FD-05PUB"};
    machine.blocks[0].hasFilesystem = true;
    machine.blocks[2].isPartition = true;
    machine.blocks[2].hasFilesystem = true;

    const std::optional<UDisksFloppy> found = namedBlockDevice(machine, named);
    QCOMPARE(found ? found->block.device : QString(), block);
}

void TestFloppyDrive::detectsTheMachinesFloppyDrives()
{
    FakeUDisks2 udisks;
    START_FAKE_UDISKS2(udisks, FakeMachine().usbFloppy(floppyFolder).usbStick(stickFolder).internalFloppy().json());

    const std::optional<UDisksMachine> machine = SystemUDisks().machine();
    std::optional<UDisksMachine> seenFromWorker;
    const std::unique_ptr<QThread> worker(QThread::create([&] { seenFromWorker = SystemUDisks().machine(); }));
    worker->start();

    QVERIFY(worker->wait(10'000));
    QVERIFY(seenFromWorker && seenFromWorker->blocks.size() == 3);
    QVERIFY(machine);
    QCOMPARE(machine->drives.size(), 3);
    const QList<UDisksFloppy> floppies = floppyDrives(*machine);
    QCOMPARE(floppies.size(), 2);
    QCOMPARE(floppies[0].block.device, "/dev/fd0");
    QCOMPARE(floppies[0].drive.connectionBus, "");
    const UDisksFloppy usb = floppies[1];
    QCOMPARE(usb.block.device, "/dev/sdb");
    QCOMPARE(usb.block.size, 1'474'560);
    QVERIFY(usb.block.hasFilesystem);
    QCOMPARE(usb.block.idLabel, "STYLES");
    QCOMPARE(usb.drive.connectionBus, "usb");
    const std::optional<UDisksFloppy> stick = namedBlockDevice(*machine, "/dev/sdc");
    QVERIFY(stick);
    QCOMPARE(stick->block.mountPoints, QStringList{stickFolder});
}

// The internal drive comes first by name but holds no disk, so drive A is the USB one.
void TestFloppyDrive::copyMountsTheDiskOncePerRun()
{
    FakeUDisks2 udisks;
    START_FAKE_UDISKS2(udisks, FakeMachine().usbFloppy(floppyFolder).usbStick(stickFolder).internalFloppy().json());
    SystemUDisks system;
    FloppyDriveA drive(system);

    drive.BeginRun({});
    QVERIFY(drive.FileCopy(style, "05Samba.sty").ok());
    QVERIFY(drive.FileCopy(style, "05Rumba.sty").ok());
    QVERIFY(drive.Flush().ok());
    QCOMPARE(drive.mountPoint(), floppyFolder);
    drive.EndRun();
    QVERIFY(drive.mountPoint().isEmpty());
    const QStringList firstRun = {"Rescan fd0 " + mountOptions, "Mount sdb " + mountOptions};
    QCOMPARE(udisks.calls(), firstRun);

    drive.BeginRun({});
    QVERIFY(drive.FileCopy(style, "06Samba.sty").ok());
    QVERIFY(drive.Flush().ok());
    drive.EndRun();
    QCOMPARE(udisks.calls(), firstRun);
    QCOMPARE(QDir(floppyFolder).entryList(QDir::Files).size(), 3);
    QVERIFY(QDir(stickFolder).isEmpty());
}

void TestFloppyDrive::failuresBeforeTheCopy_data()
{
    QTest::addColumn<QJsonObject>("machine");
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("reason"); // LOOP: the loop device that plays the internal drive
    QTest::addColumn<QString>("loopDisk"); // in that drive: "writable" or "write-protected"; or none
    QTest::addColumn<bool>("asNobody");
    const QString refusal = "Not authorized to perform operation";
    const QString noMedium = "Error mounting /dev/sdb: No medium found";
    const QString missing = work->filePath("fd9");

    QTest::newRow("no floppy drive, only a stick") << FakeMachine().usbStick(stickFolder).json() << "" << int(DriveNotReady)
                                                   << "no floppy drive found" << "" << false;
    QTest::newRow("no disk in the drive") << FakeMachine().internalFloppy(floppyFolder, missing).json() << "" << int(DriveNotReady)
                                          << missing + ": No such file or directory" << "" << false;
    QTest::newRow("internal drive, write-protected disk")
        << FakeMachine().internalFloppy({}, "LOOP").json() << "" << int(OtherFailure)
        << "LOOP: Read-only file system. The disk is write-protected: slide its tab to close the hole." << "write-protected" << false;
    QTest::newRow("internal drive, user not in its group")
        << FakeMachine().internalFloppy({}, "LOOP").json() << "" << int(OtherFailure)
        << "LOOP: Permission denied. Only members of the group floppy may write to LOOP: your user must be in the group "
           "floppy (ask the computer's administrator), then log in again."
        << "writable" << true;
    QTest::newRow("refused by the policy") << FakeMachine().usbFloppy(floppyFolder).with("sdb", "needsPassword", true).json()
                                           << "" << int(OtherFailure) << refusal << "" << false;
    QTest::newRow("a refusal says more than an empty drive")
        << FakeMachine().internalFloppy().usbFloppy(floppyFolder).failing("sdb", "Mount", policyRefusal, refusal).json() << ""
        << int(OtherFailure) << refusal << "" << false;
    QTest::newRow("a refusal is not forgotten for an empty drive")
        << FakeMachine()
               .internalFloppy(floppyFolder)
               .with("fd0", "filesystem", true)
               .failing("fd0", "Mount", policyRefusal, refusal)
               .usbFloppy(floppyFolder)
               .failing("sdb", "Mount", "org.freedesktop.UDisks2.Error.Failed", noMedium)
               .json()
        << "" << int(OtherFailure) << refusal << "" << false;
    QTest::newRow("looking into the drive refused: written all the same")
        << FakeMachine().internalFloppy({}, "LOOP").failing("fd0", "Rescan", policyRefusal, refusal).json() << "" << int(NoFailure)
        << "" << "writable" << false;
    const QString alreadyMounted = "Device /dev/sdb is already mounted at `" + floppyFolder + "'.";
    QTest::newRow("mounted by the desktop meanwhile")
        << FakeMachine().usbFloppy(floppyFolder).failing("sdb", "Mount", "org.freedesktop.UDisks2.Error.AlreadyMounted", alreadyMounted).json()
        << "" << int(NoFailure) << "" << "" << false;
    QTest::newRow("disk taken out")
        << FakeMachine().usbFloppy(floppyFolder).failing("sdb", "Mount", "org.freedesktop.UDisks2.Error.Failed", noMedium).json()
        << "" << int(DriveNotReady) << noMedium << "" << false;
    QTest::newRow("named device unknown") << FakeMachine().usbFloppy(floppyFolder).json() << "/dev/sdx" << int(DriveNotReady)
                                          << "no block device /dev/sdx" << "" << false;
}

void TestFloppyDrive::failuresBeforeTheCopy()
{
    QFETCH(QJsonObject, machine);
    QFETCH(QString, device);
    QFETCH(int, code);
    QFETCH(QString, reason);
    QFETCH(QString, loopDisk);
    QFETCH(bool, asNobody);
    LoopFloppy floppy;
    if (!loopDisk.isEmpty()) {
        QVERIFY(createBlankImage(work->filePath("disk.img"), 1'474'560, {}).ok());
        if (const QString why = floppy.insert(work->filePath("disk.img"), loopDisk == "write-protected"); !why.isEmpty())
            QSKIP(qPrintable(why));
        machine = QJsonDocument::fromJson(QJsonDocument(machine).toJson().replace("LOOP", floppy.device.toUtf8())).object();
    }
    FakeUDisks2 udisks;
    START_FAKE_UDISKS2(udisks, machine);
    SystemUDisks system;
    FloppyDriveA drive(system, device);
    // Root acts as user nobody, who is in no group of a device, for the copy alone.
    const bool acting = !asNobody || (::setegid(nobody) == 0 && ::seteuid(nobody) == 0);
    drive.BeginRun({});
    CopyOutcome outcome = drive.FileCopy(style, "05Samba.sty");
    if (outcome.ok())
        outcome = drive.Flush();
    if (asNobody)
        QVERIFY(::seteuid(0) == 0 && ::setegid(0) == 0 && acting);

    QCOMPARE(int(outcome.code), code);
    QCOMPARE(outcome.reason, reason.replace("LOOP", floppy.device));
    const bool onTheFolder = outcome.ok() && loopDisk.isEmpty();
    QCOMPARE(QDir(floppyFolder).entryList(QDir::Files), onTheFolder ? QStringList{"05SAMBA.STY"} : QStringList{});
    QVERIFY(QDir(stickFolder).isEmpty());
}

void TestFloppyDrive::noUDisksOnTheBus()
{
    START_PRIVATE_SYSTEM_BUS();
    SystemUDisks system;
    FloppyDriveA drive(system);

    QVERIFY(!system.machine());
    QCOMPARE(drive.FileCopy(style, "05Samba.sty").code, DriveNotReady);
    QCOMPARE(describeFloppyDrive(system), "no floppy drive found (UDisks2 is not running)");
    QCOMPARE(formatFloppyDisk(system, {}, "STYLES").reason, "UDisks2 is not running");
}

void TestFloppyDrive::formatUnmountsFormatsAndMounts_data()
{
    QTest::addColumn<QJsonObject>("machine");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QStringList>("calls");
    const QString unmount = "Unmount sdb " + mountOptions;
    const QString format = "Format sdb vfat auth.no_user_interaction=false label=KORVANA1 interactive";
    const QString mount = "Mount sdb " + mountOptions;
    const QString busy = "Error unmounting /dev/sdb: target is busy";
    const QString failed = "org.freedesktop.UDisks2.Error.Failed";
    const auto mounted = [&] { return FakeMachine().usbFloppy(floppyFolder, true).usbStick(stickFolder); };

    QTest::newRow("mounted disk") << mounted().json() << "" << "" << QStringList{unmount, format, mount};
    QTest::newRow("named drive") << mounted().json() << "/dev/sdb" << "" << QStringList{unmount, format, mount};
    QTest::newRow("the drive with a disk") << FakeMachine().internalFloppy().usbFloppy(floppyFolder).json() << "" << ""
                                           << QStringList{format, mount};
    QTest::newRow("disk in use") << mounted().failing("sdb", "Unmount", failed, busy).json() << "" << busy << QStringList{unmount};
    QTest::newRow("format fails") << mounted().failing("sdb", "Format", failed, busy).json() << "" << busy
                                  << QStringList{unmount, format};
    QTest::newRow("the desktop mounts it first") << mounted().with("sdb", "desktopMounts", true).json() << "" << ""
                                                 << QStringList{unmount, format, mount};
    QTest::newRow("larger than a floppy") << mounted().json() << "/dev/sdc" << "/dev/sdc is larger than a floppy disk"
                                          << QStringList{};
}

void TestFloppyDrive::formatUnmountsFormatsAndMounts()
{
    QFETCH(QJsonObject, machine);
    QFETCH(QString, device);
    QFETCH(QString, result);
    QFETCH(QStringList, calls);
    FakeUDisks2 udisks;
    START_FAKE_UDISKS2(udisks, machine);
    SystemUDisks system;

    QCOMPARE(formatFloppyDisk(system, device, "KORVANA1").reason, result);

    QCOMPARE(udisks.calls(), calls);
    if (result.isEmpty())
        QCOMPARE(namedBlockDevice(*system.machine(), "/dev/sdb")->block.idLabel, "KORVANA1");
}

void TestFloppyDrive::descriptionNeverSpinsTheDrive_data()
{
    QTest::addColumn<QJsonObject>("machine");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("pattern");
    const QString stick = stickFolder;
    const QString floppy = QRegularExpression::escape(floppyFolder);

    QTest::newRow("mounted disk") << FakeMachine().usbFloppy(floppyFolder, true).usbStick(stick).internalFloppy().json() << ""
                                  << "USB floppy drive, " + floppy + ", 1\\.44 MB, [0-9]+ KB free";
    QTest::newRow("disk not mounted") << FakeMachine().usbFloppy(floppyFolder).json() << ""
                                      << "USB floppy drive, /dev/sdb, 1\\.44 MB, not mounted";
    QTest::newRow("internal drive, size unknown")
        << FakeMachine().internalFloppy(floppyFolder).with("fd0", "filesystem", true).with("fd0", "mounted", true).json() << ""
        << "internal floppy drive, " + floppy + ", [0-9]+ KB free";
    QTest::newRow("the drive with a disk") << FakeMachine().internalFloppy().usbFloppy(floppyFolder).json() << ""
                                           << "USB floppy drive, /dev/sdb, 1\\.44 MB, not mounted";
    QTest::newRow("internal drive, never looked into") << FakeMachine().internalFloppy(floppyFolder).usbStick(stick).json() << ""
                                                       << "internal floppy drive, /dev/fd0, written without mounting";
    QTest::newRow("USB drive, no disk") << FakeMachine().usbFloppy(floppyFolder).with("sdb", "filesystem", false).with("sdb", "Size", 0).json()
                                        << "" << "no disk in the floppy drive";
    QTest::newRow("hidden by the system") << FakeMachine().usbFloppy(floppyFolder).with("sdb", "HintIgnore", true).json() << ""
                                          << "no floppy drive found";
    QTest::newRow("only a stick") << FakeMachine().usbStick(stick).json() << "" << "no floppy drive found";
    QTest::newRow("named stick") << FakeMachine().usbStick(stick).json() << "/dev/sdc"
                                 << "USB drive, " + QRegularExpression::escape(stick) + ", 16\\.0 GB, [0-9]+ KB free";
}

void TestFloppyDrive::descriptionNeverSpinsTheDrive()
{
    QFETCH(QJsonObject, machine);
    QFETCH(QString, device);
    QFETCH(QString, pattern);
    FakeUDisks2 udisks;
    START_FAKE_UDISKS2(udisks, machine);
    SystemUDisks system;

    const QString description = describeFloppyDrive(system, device);

    QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(description).hasMatch(), qPrintable(description));
    QCOMPARE(udisks.calls(), QStringList{});
}

// A real floppy-sized disk: a 1440 KB tmpfs, which only root can mount.
void TestFloppyDrive::fullFloppyIsDiskFull()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small tmpfs needs root");
    if (::mount("tmpfs", QFile::encodeName(floppyFolder).constData(), "tmpfs", 0, "size=1440k") != 0)
        QSKIP("this machine cannot mount a tmpfs here");
    const QString floppy = floppyFolder;
    auto unmount = qScopeGuard([&] { ::umount(QFile::encodeName(floppy).constData()); });
    FakeUDisks2 udisks;
    START_FAKE_UDISKS2(udisks, FakeMachine().usbFloppy(floppyFolder).json());
    SystemUDisks system;
    FloppyDriveA drive(system);
    writeFile(work->filePath("01Big.sty"), QByteArray(600 * 1024, 'x'));

    drive.BeginRun({});
    QVERIFY(drive.FileCopy(work->filePath("01Big.sty"), "01BIG.STY").ok());
    QVERIFY(drive.FileCopy(work->filePath("01Big.sty"), "02BIG.STY").ok());
    QVERIFY(drive.Flush().ok());
    QCOMPARE(drive.FileCopy(work->filePath("01Big.sty"), "03BIG.STY").code, DiskFull);
    drive.EndRun();

    QCOMPARE(QDir(floppyFolder).entryList(QDir::Files), (QStringList{"01BIG.STY", "02BIG.STY"}));
    QCOMPARE(describeFloppyDrive(system), "USB floppy drive, " + floppyFolder + ", 1.44 MB, 240 KB free");

    // Planned from statvfs; a group larger than the whole disk is refused before writing.
    const DriveAChoice choice({}, system);
    GroupBoard groups;
    addStyles(groups, 7, {work->filePath("01Big.sty")});
    QCOMPARE(choice.describeRun({{7, {work->filePath("01Big.sty")}, {"07Big.sty"}}}),
             "This run: 1 style in 1 group, 600 KB, about 1 disk; none fits on this one.");
    for (const QString name : {"02Big2.sty", "03Big3.sty"}) {
        writeFile(work->filePath(name), QByteArray(600 * 1024, 'x'));
        addStyles(groups, 7, {work->filePath(name)});
    }
    const QString refusal = copyRun(choice, groups);
    QVERIFY2(refusal.startsWith("CANNOT COPY: Group 07 holds 1.8 MB of styles, more than a whole 1.44 MB disk"), qPrintable(refusal));
    QCOMPARE(QDir(floppyFolder).entryList(QDir::Files), (QStringList{"01BIG.STY", "02BIG.STY"}));
}

// The internal drive as Debian shows it, named as on the command line: written through
// mtools on its block device until the disk is full, then onto the next disk, then formatted.
void TestFloppyDrive::internalDriveIsWrittenThroughMtools()
{
    const QString firstDisk = work->filePath("first.img"), nextDisk = work->filePath("next.img");
    QVERIFY(createBlankImage(firstDisk, 1'474'560, {}).ok() && createBlankImage(nextDisk, 1'474'560, {}).ok());
    LoopFloppy floppy;
    if (const QString why = floppy.insert(firstDisk); !why.isEmpty())
        QSKIP(qPrintable(why));
    FakeUDisks2 udisks;
    START_FAKE_UDISKS2(udisks, FakeMachine().internalFloppy({}, floppy.device).json());
    SystemUDisks system;
    DriveAChoice choice(floppy.device, system);
    GroupBoard groups;
    for (int number = 1; number <= 3; ++number) {
        writeFile(work->filePath(groupPrefix(number) + "Rumba.sty"), QByteArray(600 * 1024, char('a' + number)));
        addStyles(groups, number, {work->filePath(groupPrefix(number) + "Rumba.sty")});
    }

    QCOMPARE(choice.description(), "internal floppy drive, " + floppy.device + ", written without mounting");
    QCOMPARE(copyRun(choice, groups), "DISK FULL: INSERT NEW DISK !");
    QCOMPARE(filesOn(floppy.device), (QStringList{"01RUMBA.STY", "02RUMBA.STY"}));
    QCOMPARE(mtools("mtype", {"-i", floppy.device, "::02RUMBA.STY"}), QByteArray(600 * 1024, 'c'));

    QCOMPARE(floppy.insert(nextDisk), QString());
    emptyGreenGroups(groups);
    QCOMPARE(copyRun(choice, groups), "       READY !");
    QCOMPARE(filesOn(floppy.device), QStringList{"03RUMBA.STY"});

    QCOMPARE(choice.driveForFormat()->erase("korvana 1").reason, QString());
    QCOMPARE(filesOn(floppy.device), QStringList{});
    QVERIFY(mtools("mlabel", {"-s", "-i", floppy.device, "::"}).contains("KORVANA 1"));
    QVERIFY2(!udisks.calls().join('\n').contains("Mount") && !udisks.calls().join('\n').contains("Format"),
             qPrintable(udisks.calls().join('\n')));
}

// The desktop's policy refuses, and the user reads the daemon's own words.
void TestFloppyDrive::refusalReachesTheUser()
{
    FakeUDisks2 udisks;
    START_FAKE_UDISKS2(udisks, FakeMachine().usbFloppy(floppyFolder).with("sdb", "needsPassword", true).json());
    SystemUDisks system;
    GroupBoard groups;
    addStyles(groups, 5, {style});

    QCOMPARE(copyRun(DriveAChoice({}, system), groups), "CANNOT COPY: " + style + "\nNot authorized to perform operation");
    QVERIFY(!isGreen(groups, 5));
}

QTEST_GUILESS_MAIN(TestFloppyDrive)
#include "test_floppydrive.moc"
