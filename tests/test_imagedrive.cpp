#include "copyrun.h"
#include "copyrunner.h"
#include "fakes.h"
#include "fatname.h"
#include "imagedrive.h"
#include "imageformat.h"
#include "mtools.h"
#include "runprogress.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

const QString diskFull = QStringLiteral("DISK FULL: INSERT NEW DISK !");
const QString notReady = QStringLiteral("DISK NOT READY !");
const QString ready = QStringLiteral("       READY !");

void makeImage(const QString &path, int kilobytes, const QString &label = {})
{
    QStringList arguments{"-C", "-i", path, "-f", QString::number(kilobytes)};
    if (!label.isEmpty())
        arguments << "-v" << label;
    mtools("mformat", arguments << "::");
    QCOMPARE(QFileInfo(path).size(), kilobytes * 1024);
}

QStringList filesOn(const QString &image)
{
    QStringList names = QString::fromUtf8(mtools("mdir", {"-b", "-i", image, "::"})).split('\n', Qt::SkipEmptyParts);
    for (QString &name : names)
        name.remove(0, 3); // "::/"
    return names;
}

QByteArray fileOn(const QString &image, const QString &name)
{
    return mtools("mtype", {"-i", image, "::" + mtoolsPattern(name)});
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class AfterEachCopy : public RunProgress {
public:
    void Progress(int copied, int) override { act(copied); }
    void Clear() override {}
    std::function<void(int)> act = [](int) {};
};

// Twenty groups in memory, the drive A under test, and the run's message boxes.
struct Run {
    explicit Run(const QString &image) : drive(std::make_unique<ImageDriveA>(image)) {}

    QString copy()
    {
        int copied = 0;
        RunListener listener;
        listener.fileCopied = [&] { progress.act(++copied); };
        copyAndReport(groups, *drive, messages, listener);
        return messages.shown.isEmpty() ? QString() : messages.shown.takeLast().prompt;
    }

    GroupBoard groups;
    std::unique_ptr<ImageDriveA> drive;
    FakeMessageBoxes messages;
    AfterEachCopy progress;
};

} // namespace

class TestImageDrive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void fullDiskThenNewDisk_data();
    void fullDiskThenNewDisk();
    void rootDirectoryHoldsOneEntryPerStyle_data();
    void rootDirectoryHoldsOneEntryPerStyle();
    void readBackComparesTheRightFile_data();
    void readBackComparesTheRightFile();
    void sourceIsCopiedAsItIsWhenItsGroupIsWritten();
    void refusedBeforeMtools_data();
    void refusedBeforeMtools();
    void noFloppyImageIsRefused_data();
    void noFloppyImageIsRefused();
    void vanishedImageIsNotReady_data();
    void vanishedImageIsNotReady();
    void formatKeepsOrGivesTheFloppySize_data();
    void formatKeepsOrGivesTheFloppySize();
    void nextImagePath_data();
    void nextImagePath();
    void nextImageNeverOverwrites();
    void mtoolsMessages_data();
    void mtoolsMessages();

private:
    QString style(const QString &name, int size);

    QTemporaryDir userHome;
    std::unique_ptr<QTemporaryDir> work;
    QString image;
};

void TestImageDrive::initTestCase()
{
    for (const char *program : {"mformat", "mcopy", "mtype", "mdir", "mdel"}) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            QSKIP("mtools is not installed (Debian package mtools)");
    }
    // Settings of the user's that would break every call, or write into a hard-disk image.
    writeFile(userHome.filePath(".mtoolsrc"), "drive : file=\"/dev/null\"\nmtools_skip_check=1\n");
    qputenv("HOME", QFile::encodeName(userHome.path()));
    qputenv("MTOOLSRC", QFile::encodeName(userHome.filePath(".mtoolsrc")));
    qputenv("MTOOLS_SKIP_CHECK", "1");
}

void TestImageDrive::init()
{
    work = std::make_unique<QTemporaryDir>();
    image = work->filePath("DSKA0000.IMG");
}

// A style of size bytes that no other style's content matches.
QString TestImageDrive::style(const QString &name, int size)
{
    static QRandomGenerator random(6);
    QByteArray content(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(content.data()), size / 4);
    writeFile(work->filePath(name), content);
    return work->filePath(name);
}

void TestImageDrive::fullDiskThenNewDisk_data()
{
    QTest::addColumn<int>("kilobytes");
    QTest::addColumn<bool>("nextImage");
    QTest::newRow("720 KB, formatted again") << 720 << false;
    QTest::newRow("1.44 MB, next image") << 1440 << true;
}

// Seven styles of an eighth of the disk fit: groups 1 to 3, then none of group 4, which
// does not fit whole.
void TestImageDrive::fullDiskThenNewDisk()
{
    QFETCH(int, kilobytes);
    QFETCH(bool, nextImage);
    makeImage(image, kilobytes);
    Run run(image);
    QHash<QString, QString> sourceOf; // by the name on the disk
    for (int number = 1; number <= 6; ++number) {
        for (const QString name : {"Rumba.sty", "Tango.sty"}) {
            const QString source = style(groupPrefix(number) + name, kilobytes * 128);
            addStyles(run.groups, number, {source});
            sourceOf[groupPrefix(number) + name.toUpper()] = source;
        }
    }

    QCOMPARE(run.copy(), diskFull);
    for (int number = 1; number <= 6; ++number)
        QCOMPARE(isGreen(run.groups, number), number <= 3);
    QCOMPARE(filesOn(image), (QStringList{"01RUMBA.STY", "01TANGO.STY", "02RUMBA.STY", "02TANGO.STY", "03RUMBA.STY",
                                          "03TANGO.STY"}));
    for (const QString &name : filesOn(image))
        QVERIFY2(fileOn(image, name) == contents(sourceOf[name]), qPrintable(name));

    const Result<QString> made = nextImage ? createNextImage(image, "styles") : formatImage(image, "styles");
    QVERIFY2(made.ok(), qPrintable(made.failure.reason));
    const QString &newDisk = made.value;
    QCOMPARE(newDisk, work->filePath(nextImage ? "DSKA0001.IMG" : "DSKA0000.IMG"));
    QCOMPARE(QFileInfo(newDisk).size(), kilobytes * 1024);
    QVERIFY(filesOn(newDisk).isEmpty());
    run.drive = std::make_unique<ImageDriveA>(newDisk);
    emptyGreenGroups(run.groups);
    QCOMPARE(run.copy(), ready);
    QCOMPARE(filesOn(newDisk), (QStringList{"04RUMBA.STY", "04TANGO.STY", "05RUMBA.STY", "05TANGO.STY",
                                                  "06RUMBA.STY", "06TANGO.STY"}));
    for (const QString &name : filesOn(newDisk))
        QVERIFY2(fileOn(newDisk, name) == contents(sourceOf[name]), qPrintable(name));
    QVERIFY(mtools("minfo", {"-i", newDisk, "::"}).contains("disk label=\"STYLES     \""));
}

void TestImageDrive::rootDirectoryHoldsOneEntryPerStyle_data()
{
    QTest::addColumn<int>("kilobytes");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("entries");
    QTest::newRow("1.44 MB") << 1440 << QString() << 224;
    QTest::newRow("1.44 MB with a volume label") << 1440 << "STYLES" << 223;
    QTest::newRow("720 KB") << 720 << QString() << 112;
}

// The root directory is filled up to three free entries: three mixed-case styles that fit
// 8.3 still go in, which would take two entries each as they are; a fourth, in the next
// group, leaves nothing.
void TestImageDrive::rootDirectoryHoldsOneEntryPerStyle()
{
    QFETCH(int, kilobytes);
    QFETCH(QString, label);
    QFETCH(int, entries);
    makeImage(image, kilobytes, label);
    QStringList fill{"-i", image};
    QVERIFY(QDir().mkdir(work->filePath("fill")));
    for (int i = 0; i < entries - 3; ++i) {
        fill << work->filePath(QStringLiteral("fill/F%1").arg(i));
        writeFile(fill.last(), "f");
    }
    mtools("mcopy", fill << "::");
    Run run(image);
    for (int i = 0; i < 4; ++i)
        addStyles(run.groups, i / 3 + 1, {style(QStringLiteral("xxSm%1.sty").arg(i, 3, 10, QChar('0')), 4)});

    QCOMPARE(run.copy(), diskFull);
    const QStringList names = filesOn(image);
    QCOMPARE(names.size(), entries);
    QCOMPARE(names.mid(entries - 3), (QStringList{"01SM000.STY", "01SM001.STY", "01SM002.STY"}));
    QCOMPARE(isGreen(run.groups, 1), true);
    QCOMPARE(isGreen(run.groups, 2), false);
}

void TestImageDrive::readBackComparesTheRightFile_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("onDisk");
    QTest::newRow("mtools pattern") << QStringList{"01[x].sty", "01x.sty"} << QStringList{"02[x].sty", "02X.STY"};
}

void TestImageDrive::readBackComparesTheRightFile()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, onDisk);
    makeImage(image, 1440);
    Run run(image);
    for (const QString &name : names)
        addStyles(run.groups, 2, {style(name, 3000)});

    QCOMPARE(run.copy(), ready);
    QCOMPARE(filesOn(image), onDisk);
    QCOMPARE(fileOn(image, onDisk.last()), contents(run.groups.group(2).entries.at(1)));
}

// The first style changes after it is asked for and before its group is written: the
// medium holds what it held then.
void TestImageDrive::sourceIsCopiedAsItIsWhenItsGroupIsWritten()
{
    makeImage(image, 1440);
    Run run(image);
    const QString first = style("01Samba.sty", 5000);
    addStyles(run.groups, 3, {first});
    addStyles(run.groups, 3, {style("01Salsa.sty", 5000)});
    run.progress.act = [&](int copied) {
        if (copied == 2)
            writeFile(first, QByteArray(5000, 'x'));
    };

    QCOMPARE(run.copy(), ready);
    QCOMPARE(fileOn(image, "03SAMBA.STY"), QByteArray(5000, 'x'));
}

void TestImageDrive::refusedBeforeMtools_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("reason");
    QTest::newRow("colon") << "01Bad:name.sty" << whyFatCannotStore("05Bad:name.sty");
    QTest::newRow("star") << "01a*b.sty" << whyFatCannotStore("05a*b.sty");
    QTest::newRow("trailing dot") << "01Dot." << whyFatCannotStore("05Dot.");
    QTest::newRow("missing source") << "01Gone.sty" << qt_error_string(ENOENT);
    QTest::newRow("folder") << "01Folder.sty" << qt_error_string(EISDIR);
}

void TestImageDrive::refusedBeforeMtools()
{
    QFETCH(QString, source);
    QFETCH(QString, reason);
    makeImage(image, 1440);
    const QString path = work->filePath(source);
    if (source.contains("Folder"))
        QDir().mkdir(path);
    else if (!source.contains("Gone"))
        style(source, 100);
    Run run(image);
    addStyles(run.groups, 5, {path});

    QCOMPARE(run.copy(), "CANNOT COPY: " + path + "\n" + reason);
    QVERIFY(filesOn(image).isEmpty());
}

void TestImageDrive::noFloppyImageIsRefused_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("formattable");
    QTest::newRow("hard-disk size") << qint64(8) * 1024 * 1024 << false;
    QTest::newRow("odd size") << qint64(1'000'000) << false;
    QTest::newRow("floppy size, no FAT") << qint64(1'474'560) << true;
}

void TestImageDrive::noFloppyImageIsRefused()
{
    QFETCH(qint64, size);
    QFETCH(bool, formattable);
    QFile file(image);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("disk") && file.resize(size));
    file.close();
    const QByteArray before = QCryptographicHash::hash(contents(image), QCryptographicHash::Sha1);

    ImageDriveA drive(image);
    CopyOutcome outcome = drive.FileCopy(style("01Samba.sty", 100), "05Samba.sty");
    if (outcome.ok())
        outcome = drive.Flush();
    QCOMPARE(outcome.code, OtherFailure);
    QVERIFY2(outcome.reason.contains("it may be a hard-disk image"), qPrintable(outcome.reason));

    QCOMPARE(formatImage(image, "").failure.code, formattable ? NoFailure : NotPossible);
    QCOMPARE(QFileInfo(image).size(), size);
    if (!formattable)
        QCOMPARE(QCryptographicHash::hash(contents(image), QCryptographicHash::Sha1), before);
}

void TestImageDrive::vanishedImageIsNotReady_data()
{
    QTest::addColumn<int>("removeAfterCopy"); // 0: before the run
    QTest::newRow("before the run") << 0;
    QTest::newRow("before the read-back") << 1;
}

void TestImageDrive::vanishedImageIsNotReady()
{
    QFETCH(int, removeAfterCopy);
    makeImage(image, 720);
    Run run(image);
    addStyles(run.groups, 1, {style("01Samba.sty", 100)});
    run.progress.act = [&](int copied) {
        if (copied == removeAfterCopy)
            QFile::remove(image);
    };
    if (removeAfterCopy == 0)
        QFile::remove(image);

    QCOMPARE(run.copy(), notReady);
    QCOMPARE(isGreen(run.groups, 1), false);
}

void TestImageDrive::formatKeepsOrGivesTheFloppySize_data()
{
    QTest::addColumn<int>("kilobytes"); // 0: no image yet
    QTest::addColumn<qint64>("size");
    QTest::newRow("new") << 0 << qint64(1'474'560);
    QTest::newRow("720 KB") << 720 << qint64(737'280);
    QTest::newRow("2.88 MB") << 2880 << qint64(2'949'120);
}

void TestImageDrive::formatKeepsOrGivesTheFloppySize()
{
    QFETCH(int, kilobytes);
    QFETCH(qint64, size);
    if (kilobytes) {
        makeImage(image, kilobytes);
        QVERIFY(ImageDriveA(image).FileCopy(style("01Samba.sty", 100), "05Samba.sty").ok());
    }

    QCOMPARE(formatImage(image, "Dupliva").failure.code, NoFailure);
    QCOMPARE(QFileInfo(image).size(), size);
    QVERIFY(filesOn(image).isEmpty());
    const Result<RootListing> root = listRoot(image);
    const qint64 freeBytes = root.value.freeBytes;
    QVERIFY2(freeBytes > size * 95 / 100 && freeBytes < size, qPrintable(root.failure.reason));
    QCOMPARE(formatImage(image, "a:b").failure.code, OtherFailure);
}

void TestImageDrive::nextImagePath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("next");
    QTest::newRow("indexed") << "DSKA0003.IMG" << "DSKA0004.IMG";
    QTest::newRow("dash") << "styles-7.img" << "styles-8.img";
    QTest::newRow("carry") << "DSKA0099.IMG" << "DSKA0100.IMG";
    QTest::newRow("wider") << "disk9.img" << "disk10.img";
    QTest::newRow("last of its width") << "DSKA9999.IMG" << "";
    QTest::newRow("no extension") << "disk1" << "disk2";
    QTest::newRow("taken") << "DSKA0000.IMG" << "DSKA0002.IMG";
    QTest::newRow("no number") << "styles.img" << "";
    QTest::newRow("number in the extension") << "styles.i2" << "";
}

void TestImageDrive::nextImagePath()
{
    QFETCH(QString, name);
    QFETCH(QString, next);
    writeFile(work->filePath("DSKA0001.IMG"), "taken");

    QCOMPARE(::nextImagePath(work->filePath(name)), next.isEmpty() ? next : work->filePath(next));
}

void TestImageDrive::nextImageNeverOverwrites()
{
    makeImage(image, 720);
    writeFile(work->filePath("DSKA0001.IMG"), "someone else's");

    const Result<QString> made = createNextImage(image, "");
    QCOMPARE(made.value, work->filePath("DSKA0002.IMG"));
    QCOMPARE(QFileInfo(made.value).size(), 737'280);
    QCOMPARE(contents(work->filePath("DSKA0001.IMG")), QByteArray("someone else's"));
    QCOMPARE(createBlankImage(work->filePath("DSKA0001.IMG"), 737'280, "").failure.code, OtherFailure);
    QCOMPARE(contents(work->filePath("DSKA0001.IMG")), QByteArray("someone else's"));
}

void TestImageDrive::mtoolsMessages_data()
{
    QTest::addColumn<QString>("errors");
    QTest::addColumn<int>("code");
    QTest::newRow("disk full") << "Disk full" << int(DiskFull);
    QTest::newRow("root directory full") << "No directory slots" << int(DiskFull);
    QTest::newRow("image gone") << "Can't open /m/A.IMG: No such file or directory\nCannot initialize '::'" << int(DriveNotReady);
    QTest::newRow("stick pulled") << "buffer_flush: write: Input/output error" << int(DriveNotReady);
    QTest::newRow("source gone") << "/s/01Samba.sty: No such file or directory" << int(OtherFailure);
    QTest::newRow("not allowed") << "Can't open /m/A.IMG: Permission denied\nCannot initialize '::'" << int(OtherFailure);
    QTest::newRow("no FAT") << "init :: non DOS media\nCannot initialize '::'" << int(OtherFailure);
    QTest::newRow("silent") << "" << int(OtherFailure);
}

void TestImageDrive::mtoolsMessages()
{
    QFETCH(QString, errors);
    QFETCH(int, code);
    const CopyOutcome outcome = mtoolsFailure("/m/A.IMG", 1, errors);
    QCOMPARE(int(outcome.code), code);
    QVERIFY(!outcome.reason.isEmpty());
}

QTEST_GUILESS_MAIN(TestImageDrive)
#include "test_imagedrive.moc"
