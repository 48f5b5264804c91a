#include "folderdrive.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestFolderDrive : public QObject {
    Q_OBJECT
private slots:
    void init();
    void copiesTheWholeFileAndReplacesAnOlderOne();
    void sourceIsOpenedReadOnlyAndKept();
    void copyOntoItselfKeepsTheFile();
    void missingDriveIsNotReady_data();
    void missingDriveIsNotReady();
    void unusableSourceLeavesNothingOnTheDisk_data();
    void unusableSourceLeavesNothingOnTheDisk();
    void linkOnTheDiskIsNotFollowed();
    void destinationMustNameAFileInTheRoot_data();
    void destinationMustNameAFileInTheRoot();
    void fullDiskLeavesNoTruncatedFile();
    void floppyNames_data();
    void floppyNames();
    void flushReadsBackTheLastCopyOfEachName();
    void readBackThatDiffersNamesItsSource_data();
    void readBackThatDiffersNamesItsSource();

private:
    std::unique_ptr<QTemporaryDir> work;
    QString sources;
    QString driveFolder;
};

void TestFolderDrive::init()
{
    work = std::make_unique<QTemporaryDir>();
    sources = work->filePath("styles");
    driveFolder = work->filePath("a");
    QVERIFY(QDir().mkpath(sources) && QDir().mkpath(driveFolder));
}

void TestFolderDrive::copiesTheWholeFileAndReplacesAnOlderOne()
{
    FolderDriveA drive(driveFolder);
    const QByteArray big(300 * 1024 + 7, 'b');
    writeFile(sources + "/01Samba.sty", big);
    writeFile(sources + "/07Samba.sty", "short");

    QVERIFY(drive.FileCopy(sources + "/01Samba.sty", "05Samba.sty").ok());
    QVERIFY(drive.Flush().ok());
    QCOMPARE(readFile(driveFolder + "/05Samba.sty"), big);

    QVERIFY(drive.FileCopy(sources + "/07Samba.sty", "05Samba.sty").ok());
    QCOMPARE(readFile(driveFolder + "/05Samba.sty"), big);
    QVERIFY(drive.Flush().ok());
    QCOMPARE(readFile(driveFolder + "/05Samba.sty"), QByteArray("short"));
    QCOMPARE(QDir(driveFolder).entryList(QDir::Files), QStringList{"05Samba.sty"});
}

void TestFolderDrive::sourceIsOpenedReadOnlyAndKept()
{
    FolderDriveA drive(driveFolder);
    const QString source = sources + "/02Rock.sty";
    writeFile(source, "rock");
    QVERIFY(QFile::setPermissions(source, QFile::ReadOwner));
    const QDateTime modified = QFileInfo(source).lastModified();

    QVERIFY(drive.FileCopy(source, "03Rock.sty").ok());

    QCOMPARE(readFile(source), QByteArray("rock"));
    QCOMPARE(QFileInfo(source).lastModified(), modified);
    QCOMPARE(QFileInfo(source).permissions() & QFile::WriteOwner, QFile::Permissions());
}

void TestFolderDrive::copyOntoItselfKeepsTheFile()
{
    FolderDriveA drive(driveFolder);
    writeFile(driveFolder + "/05Samba.sty", "already on the disk");

    QVERIFY(drive.FileCopy(driveFolder + "/05Samba.sty", "05Samba.sty").ok());

    QCOMPARE(readFile(driveFolder + "/05Samba.sty"), QByteArray("already on the disk"));
}

void TestFolderDrive::missingDriveIsNotReady_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("not set up") << QString();
    QTest::newRow("no such folder") << QStringLiteral("/nonexistent/dupliva-drive-a");
}

void TestFolderDrive::missingDriveIsNotReady()
{
    QFETCH(QString, folder);
    FolderDriveA drive(folder);
    writeFile(sources + "/01Samba.sty", "samba");

    QCOMPARE(drive.FileCopy(sources + "/01Samba.sty", "05Samba.sty").code, DriveNotReady);
}

void TestFolderDrive::unusableSourceLeavesNothingOnTheDisk_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing" << qt_error_string(ENOENT);
    QTest::newRow("folder") << "folder" << qt_error_string(EISDIR);
    QTest::newRow("named pipe") << "pipe" << "It is not a regular file";
}

void TestFolderDrive::unusableSourceLeavesNothingOnTheDisk()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString source = sources + "/01Odd.sty";
    if (kind == "folder")
        QVERIFY(QDir().mkdir(source));
    if (kind == "pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(source).constData(), 0600), 0);
    FolderDriveA drive(driveFolder);

    const CopyOutcome outcome = drive.FileCopy(source, "05Odd.sty");

    QCOMPARE(outcome.code, OtherFailure);
    QCOMPARE(outcome.reason, reason);
    QVERIFY(QDir(driveFolder).isEmpty());
}

void TestFolderDrive::linkOnTheDiskIsNotFollowed()
{
    const QString outside = work->filePath("outside.txt");
    writeFile(outside, "keep me");
    QVERIFY(QFile::link(outside, driveFolder + "/05Samba.sty"));
    writeFile(sources + "/01Samba.sty", "samba");
    FolderDriveA drive(driveFolder);

    const CopyOutcome outcome = drive.FileCopy(sources + "/01Samba.sty", "05Samba.sty");

    QCOMPARE(outcome.code, OtherFailure);
    QVERIFY(outcome.reason.contains("symbolic link"));
    QCOMPARE(readFile(outside), QByteArray("keep me"));
    QVERIFY(QFileInfo(driveFolder + "/05Samba.sty").isSymLink());
}

void TestFolderDrive::destinationMustNameAFileInTheRoot_data()
{
    QTest::addColumn<QString>("destination");
    QTest::newRow("no name") << "";
    QTest::newRow("this folder") << ".";
    QTest::newRow("parent") << "..";
    QTest::newRow("sub-folder") << "../05Samba.sty";
}

void TestFolderDrive::destinationMustNameAFileInTheRoot()
{
    QFETCH(QString, destination);
    writeFile(sources + "/01Samba.sty", "samba");
    FolderDriveA drive(driveFolder);

    QCOMPARE(drive.FileCopy(sources + "/01Samba.sty", destination).code, OtherFailure);
    QVERIFY(!QFile::exists(work->filePath("05Samba.sty")));
}

// A real floppy-sized disk: a 1440 KB tmpfs, which only root can mount.
void TestFolderDrive::fullDiskLeavesNoTruncatedFile()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small tmpfs needs root");
    if (::mount("tmpfs", QFile::encodeName(driveFolder).constData(), "tmpfs", 0, "size=1440k") != 0)
        QSKIP("this machine cannot mount a tmpfs here");
    const QString floppy = driveFolder;
    auto unmount = qScopeGuard([&] { ::umount(QFile::encodeName(floppy).constData()); });

    writeFile(sources + "/01Big.sty", QByteArray(600 * 1024, 'x'));
    FolderDriveA drive(driveFolder);
    QVERIFY(drive.FileCopy(sources + "/01Big.sty", "01Big.sty").ok());
    QVERIFY(drive.FileCopy(sources + "/01Big.sty", "02Big.sty").ok());
    QVERIFY(drive.Flush().ok());

    const CopyOutcome outcome = drive.FileCopy(sources + "/01Big.sty", "03Big.sty");

    QCOMPARE(outcome.code, DiskFull);
    QCOMPARE(QDir(driveFolder).entryList(QDir::Files), (QStringList{"01Big.sty", "02Big.sty"}));
    QCOMPARE(QFileInfo(driveFolder + "/02Big.sty").size(), 600 * 1024);
}

void TestFolderDrive::floppyNames_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("written"); // empty: refused before anything is written
    QTest::newRow("8.3 in upper case") << "05Samba.sty" << "05SAMBA.STY";
    QTest::newRow("no extension") << "05rock" << "05ROCK";
    QTest::newRow("long name kept") << "05Samba Latin.sty" << "05Samba Latin.sty";
    QTest::newRow("two dots kept") << "05a.b.c" << "05a.b.c";
    QTest::newRow("star") << "05a*b.sty" << "";
    QTest::newRow("colon") << "05a:b.sty" << "";
}

void TestFolderDrive::floppyNames()
{
    QFETCH(QString, destination);
    QFETCH(QString, written);
    writeFile(sources + "/01Style.sty", "style");
    FolderDriveA drive(driveFolder, FolderDriveA::Medium::FatDisk);

    const CopyOutcome outcome = drive.FileCopy(sources + "/01Style.sty", destination);

    QCOMPARE(outcome.ok(), !written.isEmpty());
    QVERIFY(drive.Flush().ok());
    QCOMPARE(QDir(driveFolder).entryList(QDir::Files), written.isEmpty() ? QStringList() : QStringList{written});
    if (written.isEmpty())
        QVERIFY(outcome.reason.contains("cannot store"));
}

void TestFolderDrive::flushReadsBackTheLastCopyOfEachName()
{
    writeFile(sources + "/01Walz.sty", "first waltz");
    writeFile(sources + "/07Walz.sty", "second waltz");
    FolderDriveA drive(driveFolder);
    QVERIFY(drive.FileCopy(sources + "/01Walz.sty", "02Walz.sty").ok());
    QVERIFY(drive.FileCopy(sources + "/07Walz.sty", "02Walz.sty").ok());

    QVERIFY(drive.Flush().ok());
    QCOMPARE(readFile(driveFolder + "/02Walz.sty"), QByteArray("second waltz"));
}

void TestFolderDrive::readBackThatDiffersNamesItsSource_data()
{
    QTest::addColumn<QByteArray>("changedTo");
    QTest::newRow("same size") << QByteArray("sambA");
    QTest::newRow("longer") << QByteArray("samba!");
    QTest::newRow("shorter") << QByteArray("samb");
}

// The source changes between the copy and the flush, so the disk no longer holds it.
void TestFolderDrive::readBackThatDiffersNamesItsSource()
{
    QFETCH(QByteArray, changedTo);
    writeFile(sources + "/01Rock.sty", "rock");
    writeFile(sources + "/01Samba.sty", "samba");
    FolderDriveA drive(driveFolder, FolderDriveA::Medium::FatDisk);
    QVERIFY(drive.FileCopy(sources + "/01Samba.sty", "05Samba.sty").ok());
    QVERIFY(drive.FileCopy(sources + "/01Rock.sty", "05Rock.sty").ok());
    writeFile(sources + "/01Samba.sty", changedTo);

    const CopyOutcome outcome = drive.Flush();

    QCOMPARE(outcome.code, OtherFailure);
    QCOMPARE(outcome.source, sources + "/01Samba.sty");
    QCOMPARE(outcome.reason, QString("05SAMBA.STY on drive A reads back different from its source"));
}

QTEST_APPLESS_MAIN(TestFolderDrive)
#include "test_folderdrive.moc"
