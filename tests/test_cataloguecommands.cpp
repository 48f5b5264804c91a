#include "catalogue.h"
#include "disklook.h"
#include "udisks.h"
#include "testfiles.h"

#include <QDate>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

struct Ran {
    int status = -1;
    QString output;
    QString errors;
};

class TestCatalogueCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void commandEndsWithItsStatus_data();
    void commandEndsWithItsStatus();
    void placesOfOneSourceFile();
    void backUpCopiesTheDiskByteForByte_data();
    void backUpCopiesTheDiskByteForByte();

private:
    Ran dupliva(const QStringList &arguments);

    QTemporaryDir folder;
};

void TestCatalogueCommands::initTestCase()
{
    qputenv("XDG_DATA_HOME", localName(folder.path()));
    Catalogue catalogue = Catalogue::open();
    QVERIFY(catalogue.recordGroup({"1A2B-3C4D", "KORVANA1", DriveKind::Image, "/media/s/DSKA0000.IMG"}, 5,
                                  {{"05SAMBA.STY", "/home/u/Samba Latin.sty", 10, checksumOf("x")}}));
    QVERIFY(catalogue.recordGroup({{}, "OLD", DriveKind::FloppyDevice, {}}, 12, {{"12ROCK.STY", "/home/u/rock.sty", 10, {}}}));
    mtools("mformat", {"-C", "-i", folder.filePath("EMPTY.IMG"), "-f", "1440", "::"});
}

Ran TestCatalogueCommands::dupliva(const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QLatin1String(name));
    environment.insert("XDG_RUNTIME_DIR", folder.path());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(DUPLIVA_PROGRAM), arguments);
    if (!program.waitForFinished(20000))
        return {};
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()), QString::fromUtf8(program.readAllStandardError())};
}

void TestCatalogueCommands::commandEndsWithItsStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("errors");
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    QTest::newRow("found by its source's name") << QStringList{"--find", "LATIN"} << 0
                                                << "05SAMBA.STY\t05\tKORVANA1\t1A2B-3C4D\t/media/s/DSKA0000.IMG\t" + today << "";
    QTest::newRow("a disk without serial or image") << QStringList{"--find", "rock"} << 0 << "12ROCK.STY\t12\tOLD\t-\t-\t" + today << "";
    QTest::newRow("nothing found") << QStringList{"--find", "polka"} << 1 << "" << "";
    QTest::newRow("an empty disk") << QStringList{"--back-up", folder.path(), folder.filePath("EMPTY.IMG")} << 0 << "0 files backed up in" << "";
    QTest::newRow("no drive A") << QStringList{"--back-up", folder.path(), folder.filePath("missing.img")} << 1 << "" << "missing.img cannot be reached";
}

void TestCatalogueCommands::commandEndsWithItsStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, errors);
    const Ran ran = dupliva(arguments);
    QCOMPARE(ran.status, status);
    QCOMPARE(ran.output.count('\n'), output.isEmpty() ? 0 : 1);
    QVERIFY2(ran.output.left(output.size()) == output && ran.errors.contains(errors), qPrintable(ran.output + ran.errors));
}

// As "Where is this style?" asks: by the whole path, not a part of its name.
void TestCatalogueCommands::placesOfOneSourceFile()
{
    const Catalogue catalogue = Catalogue::open();
    const QList<FoundStyle> found = catalogue.placesOf("/home/u/Samba Latin.sty") + catalogue.placesOf("/home/Samba Latin.sty");
    QVERIFY(found.size() == 1 && foundStyleLine(found[0]).startsWith("05SAMBA.STY\t05\tKORVANA1\t1A2B-3C4D\t/media/s/DSKA0000.IMG\t"));
}

void TestCatalogueCommands::backUpCopiesTheDiskByteForByte_data()
{
    QTest::addColumn<bool>("image");
    QTest::newRow("image") << true;
    QTest::newRow("folder") << false;
}

void TestCatalogueCommands::backUpCopiesTheDiskByteForByte()
{
    QFETCH(bool, image);
    const QString disk = folder.filePath(image ? "DSKA0007.IMG" : "KORVANA9");
    if (image)
        mtools("mformat", {"-C", "-i", disk, "-f", "1440", "-v", "KORVANA9", "-N", "0badcafe", "::"});
    QVERIFY(image || QDir().mkpath(disk));
    const QStringList names{"05SAMBA.STY", "Long Bossa name.sty", "EMPTY.STY"};
    QByteArray sambaBytes;
    for (int i = 0; i < names.size(); ++i) {
        QByteArray bytes(i == 2 ? 0 : 30000 + i, '\0');
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        sambaBytes = i == 0 ? bytes : sambaBytes;
        writeFile(folder.filePath(names[i]), bytes);
        if (image)
            mtools("mcopy", {"-i", disk, folder.filePath(names[i]), "::"});
        else
            writeFile(disk + "/" + names[i], bytes);
    }
    const QString into = folder.path();
    const QString serial = image ? "0BAD-CAFE" : "";
    const QString made = into + "/" + QStringList{"KORVANA9", serial, QDate::currentDate().toString(Qt::ISODate)}.join(' ').simplified();
    for (const QString &expected : {made, made + " (2)"}) {
        const Ran ran = dupliva({"--back-up", into, disk});
        QVERIFY2(ran.status == 0, qPrintable(ran.errors));
        QCOMPARE(ran.output.count("copied and checked"), names.size());
        for (const QString &name : names) {
            QFile copy(expected + "/" + name), original(folder.filePath(name));
            QVERIFY2(copy.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly), qPrintable(copy.fileName()));
            QCOMPARE(copy.readAll(), original.readAll());
        }
    }
    const Ran found = dupliva({"--find", "bossa"});
    const QString line = QStringList{"Long Bossa name.sty", "--", "KORVANA9", image ? serial : "-", disk}.join('\t');
    QVERIFY2(found.output.contains(line), qPrintable(found.output));

    // What the format dialog shows: the catalogue's knowledge, and what no other disk holds.
    SystemUDisks udisks;
    DiskLook look = lookAtDisk(disk, udisks);
    QVERIFY(Catalogue::open().recordGroup(look.disk, 5, {{"05SAMBA.STY", "/home/u/Samba.sty", 30000, checksumOf(sambaBytes)}}));
    QVERIFY(Catalogue::open().recordGroup({"1111-2222", "OTHER", DriveKind::Image, "/o.img"}, 1, {{"01E.STY", "/e.sty", 0, checksumOf({})}}));
    look = lookAtDisk(disk, udisks);
    QCOMPARE(look.files.size(), names.size());
    QCOMPARE(look.onNoOtherDisk, 2); // EMPTY.STY is on the other disk too
    const auto samba = std::find_if(look.files.cbegin(), look.files.cend(), [](const LookedFile &file) { return file.name == "05SAMBA.STY"; });
    QVERIFY(samba != look.files.cend() && samba->written.size() == 1 && samba->written[0].source == "/home/u/Samba.sty");
    forgetErasedDisk(look.disk);
    QVERIFY(Catalogue::open().stylesOn(look.disk).isEmpty());
}

QTEST_GUILESS_MAIN(TestCatalogueCommands)
#include "test_cataloguecommands.moc"
