#include "copyrun.h"
#include "copyrunner.h"
#include "drivechoice.h"
#include "fakes.h"
#include "imageformat.h"
#include "testfiles.h"
#include "udisks.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

namespace {

// A machine without UDisks2, as on a desktop where the service is not running.
class NoUDisks : public UDisks {
public:
    std::optional<UDisksMachine> machine() override { return std::nullopt; }
    UDisksReply mount(const QString &) override { return refused(); }
    UDisksReply unmount(const QString &) override { return refused(); }
    UDisksReply format(const QString &, const QString &, const QString &) override { return refused(); }
    UDisksReply rescan(const QString &) override { return refused(); }

private:
    static UDisksReply refused() { return {QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"), {}, {}}; }
};

// One copy run over the groups to whatever drive A the choice makes, on a worker thread
// as in the program; its last message.
QString copyRun(DriveAChoice &choice, GroupBoard &board)
{
    ChosenDriveA drive(choice);
    FakeMessageBoxes messages;
    CopyRun run(board, drive, messages);
    QSignalSpy ended(&run, &CopyRun::finished);
    run.Start();
    ended.wait();
    return messages.shown.isEmpty() ? QString() : messages.shown.last().prompt;
}

} // namespace

class TestDriveChoice : public QObject {
    Q_OBJECT
private slots:
    void init();
    void whatDriveAIs_data();
    void whatDriveAIs();
    void nextImageIsDriveAFromThenOn();

private:
    std::unique_ptr<QTemporaryDir> work;
    NoUDisks udisks;
};

void TestDriveChoice::init()
{
    work = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkdir(work->filePath("disk")));
    writeFile(work->filePath("big.img"), QByteArray(4 * 1024 * 1024, '\0'));
    writeFile(work->filePath("01Samba.sty"), "samba");
}

void TestDriveChoice::whatDriveAIs_data()
{
    QTest::addColumn<QString>("given"); // inside the work folder; empty for none
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("copied");
    QTest::addColumn<bool>("formattable");

    QTest::newRow("folder") << "disk" << "the folder WORK/disk" << "       READY !" << false;
    QTest::newRow("missing folder") << "gone" << "the folder WORK/gone, which does not exist" << "DISK NOT READY !" << false;
    QTest::newRow("image to be made") << "STYLES.IMA"
                                      << "floppy image STYLES.IMA, not made yet (\"Format A:\\\" makes it)"
                                      << "DISK NOT READY !" << true;
    QTest::newRow("hard-disk image") << "big.img" << "floppy image big.img, big.img is 4194304 bytes, not the size of a floppy image"
                                     << "CANNOT COPY: big.img is 4194304 bytes, not the size of a floppy image"
                                     << false;
    QTest::newRow("no floppy drive") << "" << "no floppy drive found (UDisks2 is not running)" << "DISK NOT READY !"
                                     << false;
}

void TestDriveChoice::whatDriveAIs()
{
    QFETCH(QString, given);
    QFETCH(QString, description);
    QFETCH(QString, copied);
    QFETCH(bool, formattable);
    const QString path = given.isEmpty() ? QString() : work->filePath(given);
    DriveAChoice choice(path, udisks);
    GroupBoard groups;
    addStyles(groups, 1, {work->filePath("01Samba.sty")});

    QVERIFY2(choice.description().startsWith(description.replace("WORK", work->path())), qPrintable(choice.description()));
    QVERIFY2(copyRun(choice, groups).startsWith(copied.replace("WORK", work->path())), qPrintable(copyRun(choice, groups)));
    QCOMPARE(choice.driveForFormat()->whyNotPossible().isEmpty(), formattable);
}

// The emulator user's new disk: once "Next image" has made DSKA0001.IMG, the runs go there.
void TestDriveChoice::nextImageIsDriveAFromThenOn()
{
    if (QStandardPaths::findExecutable("mformat").isEmpty())
        QSKIP("mtools is not installed (Debian package mtools)");
    const QString first = work->filePath("DSKA0000.IMG");
    QVERIFY(createBlankImage(first, 737'280, {}).ok());
    DriveAChoice choice(first, udisks);
    GroupBoard groups;
    for (int number = 1; number <= 3; ++number) {
        const QString style = work->filePath(groupPrefix(number) + "Rumba.sty");
        writeFile(style, QByteArray(300 * 1024, char('a' + number)));
        addStyles(groups, number, {style});
    }

    QCOMPARE(copyRun(choice, groups), "DISK FULL: INSERT NEW DISK !");
    const std::unique_ptr<DriveAFormat> format = choice.driveForFormat();
    QCOMPARE(format->nextImageName(), "DSKA0001.IMG");
    QCOMPARE(format->createNextImage("STYLES").reason, QString());
    QCOMPARE(choice.description(), "floppy image DSKA0001.IMG, 720 KB, 713 KB free");
    emptyGreenGroups(groups);
    QCOMPARE(copyRun(choice, groups), "       READY !");
    QCOMPARE(choice.description(), "floppy image DSKA0001.IMG, 720 KB, 413 KB free");
    QCOMPARE(DriveAChoice(first, udisks).description(), "floppy image DSKA0000.IMG, 720 KB, 113 KB free");
}

QTEST_GUILESS_MAIN(TestDriveChoice)
#include "test_drivechoice.moc"
