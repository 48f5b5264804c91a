#include "catalogue.h"
#include "testfiles.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

const DiskId stick{"1A2B-3C4D", "KORVANA1", DriveKind::Image, "/media/stick/DSKA0000.IMG"};
const DiskId oddLabel{"00FF-0001", QString::fromUtf8("Sä/ ßa*?\t\"") + fromLocalName("\xff"), DriveKind::MountedFloppy, {}};
const DiskId noSerial{{}, "OLD DISK", DriveKind::FloppyDevice, {}};
const QString strayByteSource = fromLocalName("/home/u/styles/Samba \xe9t\xe9.sty");

QList<WrittenStyle> styles(const QStringList &names)
{
    QList<WrittenStyle> written;
    for (const QString &name : names)
        written.append({name, "/home/u/styles/" + name.mid(2).toLower(), 100 + name.size(), checksumOf(name.toUtf8())});
    return written;
}

QString databaseAnswer(const QString &path, const QString &statement)
{
    QString answer;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "look");
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (db.open() && query.exec(statement) && query.next())
            answer = query.value(0).toString();
    }
    QSqlDatabase::removeDatabase("look");
    return answer;
}

DiskId numbered(int n)
{
    return {QString::number(n), "DISK", DriveKind::Image, "/images/" + QString::number(n)};
}

// A child that records one group of three styles on each disk up to count (forever for
// 0), saying the disk's number once it is committed.
int writeGroups(const QString &path, const QString &prefix, int count)
{
    Catalogue catalogue = Catalogue::open(path);
    for (int n = 1; count == 0 || n <= count; ++n) {
        if (!catalogue.recordGroup(numbered(n), 1, styles({prefix + "A.STY", prefix + "B.STY", prefix + "C.STY"}))) {
            std::fprintf(stderr, "%s\n", qPrintable(catalogue.error()));
            return 1;
        }
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void init();
    void findsWhatWasRecorded_data();
    void findsWhatWasRecorded();
    void keepsDisksWithoutLoss();
    void killedWriterLeavesEveryCommittedGroup();
    void twoWritersLoseNothing();
    void firstLayoutIsBroughtUpToDate();
    void damagedFileIsMovedAside_data();
    void damagedFileIsMovedAside();
    void unusableFolderIsReported_data();
    void unusableFolderIsReported();

private:
    QProcess *startWriter(const QString &prefix, int count);

    QTemporaryDir data;
    QString path;
};

void TestCatalogue::init()
{
    qputenv("XDG_DATA_HOME", localName(data.path()));
    QDir(data.path()).removeRecursively();
    QDir().mkpath(data.path());
    path = Catalogue::defaultPath();
}

void TestCatalogue::findsWhatWasRecorded_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("name on the disk, any case") << "samba" << QStringList{"05SAMBA.STY 5 KORVANA1"};
    QTest::newRow("source file name") << "RUMBA" << QStringList{"05RUMBA~1.STY 5 KORVANA1"};
    QTest::newRow("not the source's folder") << "styles" << QStringList{};
    QTest::newRow("a copy again replaces the first") << "tango" << QStringList{"07TANGO.STY 7 KORVANA1"};
    QTest::newRow("the last look, not one before") << "polka" << QStringList{"09POLKA.STY 9 OLD DISK"};
    QTest::newRow("forgotten after an erase") << "waltz" << QStringList{};
    QTest::newRow("in several places") << "STY" << QStringList{"05RUMBA~1.STY 5 KORVANA1", "05SAMBA.STY 5 KORVANA1",
                                                                 "07TANGO.STY 7 KORVANA1", "09POLKA.STY 9 OLD DISK"};
    QTest::newRow("a file of no group") << "txt" << QStringList{"README.TXT 0 OLD DISK"};
}

void TestCatalogue::findsWhatWasRecorded()
{
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    {
        Catalogue catalogue = Catalogue::open();
        QList<WrittenStyle> group5 = styles({"05SAMBA.STY", "05RUMBA~1.STY"});
        group5[1].source = "/home/u/Rumba Latin.sty";
        QVERIFY(catalogue.recordGroup(stick, 5, group5));
        QVERIFY(catalogue.recordGroup(stick, 7, styles({"07TANGO.STY"})));
        QVERIFY(catalogue.recordGroup(stick, 7, styles({"07tango.sty"})));
        QVERIFY(catalogue.recordLook(noSerial, {{"08WALTZ.STY", 10}}));
        QVERIFY(catalogue.recordLook(noSerial, {{"09POLKA.STY", 10}, {"README.TXT", 5}}));
        QVERIFY(catalogue.recordGroup(oddLabel, 3, styles({"03WALTZ.STY"})));
        QVERIFY(catalogue.forgetStylesOn(oddLabel));
    }
    QStringList names;
    for (const FoundStyle &style : Catalogue::open().find(text))
        names.append(QString("%1 %2 %3").arg(style.name).arg(style.group).arg(style.disk.label));
    names.sort();
    QCOMPARE(names, found);
}

void TestCatalogue::keepsDisksWithoutLoss()
{
    // A disk without a serial number and with another label is another disk.
    QVERIFY(Catalogue::open().recordGroup({{}, "OTHER", DriveKind::FloppyDevice, {}}, 1, styles({"01B.STY"})));
    for (const DiskId &disk : {stick, oddLabel, noSerial}) {
        QVERIFY(Catalogue::open().recordGroup(disk, 1, {{"01A.STY", strayByteSource, 1, {}}}));
        const QList<FoundStyle> kept = Catalogue::open().stylesOn(disk);
        QCOMPARE(kept.size(), 1);
        const DiskId &back = kept[0].disk;
        QCOMPARE(localName(kept[0].name + kept[0].source + back.label), localName("01A.STY" + strayByteSource + disk.label));
        QVERIFY(back.serial == disk.serial && back.place == disk.place && back.kind == disk.kind);
    }
    QCOMPARE(Catalogue::open().find(fromLocalName("\xe9t")).size(), 3);
}

QProcess *TestCatalogue::startWriter(const QString &prefix, int count)
{
    auto *writer = new QProcess(this);
    writer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer->start(QCoreApplication::applicationFilePath(), {"--write-groups", path, prefix, QString::number(count)});
    return writer;
}

void TestCatalogue::killedWriterLeavesEveryCommittedGroup()
{
    for (int kill = 0; kill < 3; ++kill) {
        QProcess *writer = startWriter("K", 0);
        int committed = 0;
        while (committed < 30 * (kill + 1) && writer->waitForReadyRead(10000))
            committed = QString::fromLatin1(writer->readAll()).split('\n', Qt::SkipEmptyParts).last().toInt();
        writer->kill();
        QVERIFY(writer->waitForFinished());
        QCOMPARE(databaseAnswer(path, "PRAGMA integrity_check"), "ok");
        QCOMPARE(databaseAnswer(path, "SELECT count(*) % 3 FROM styles"), "0"); // no group in part
        Catalogue catalogue = Catalogue::open();
        for (int n = 1; n <= committed; ++n)
            QCOMPARE(catalogue.stylesOn(numbered(n)).size(), 3);
    }
}

void TestCatalogue::twoWritersLoseNothing()
{
    QProcess *first = startWriter("X", 400);
    QProcess *second = startWriter("Y", 400);
    QVERIFY(first->waitForFinished(60000) && second->waitForFinished(60000));
    QCOMPARE(first->exitCode() + second->exitCode(), 0);
    QCOMPARE(databaseAnswer(path, "SELECT count(*) FROM disks"), "400");
    QCOMPARE(databaseAnswer(path, "SELECT count(*) FROM styles"), "2400");
}

// A catalogue of the first layout, whose checksums were SHA-256, is brought up to date.
void TestCatalogue::firstLayoutIsBroughtUpToDate()
{
    QVERIFY(Catalogue::open().recordGroup(stick, 1, styles({"01A.STY"})));
    databaseAnswer(path, "ALTER TABLE styles RENAME COLUMN checksum TO sha256");
    databaseAnswer(path, "PRAGMA user_version = 1");
    Catalogue catalogue = Catalogue::open();
    QVERIFY2(catalogue.recordGroup(stick, 2, styles({"02B.STY"})), qPrintable(catalogue.error()));
    QCOMPARE(catalogue.stylesOn(stick).size(), 2);
}

void TestCatalogue::damagedFileIsMovedAside_data()
{
    QTest::addColumn<bool>("wholeFile");
    QTest::newRow("not a database") << true;
    QTest::newRow("pages overwritten") << false;
}

void TestCatalogue::damagedFileIsMovedAside()
{
    QFETCH(bool, wholeFile);
    {
        Catalogue catalogue = Catalogue::open();
        for (int n = 0; n < 200; ++n)
            catalogue.recordGroup({QString::number(n), {}, DriveKind::Image, {}}, 1, styles({"01A.STY", "01B.STY"}));
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray damaged = file.readAll();
    writeFile(path, damaged.replace(wholeFile ? 0 : 4096, wholeFile ? damaged.size() : 8192, QByteArray(8192, '\x5a')));

    Catalogue catalogue = Catalogue::open();
    QVERIFY2(catalogue.usable(), qPrintable(catalogue.error()));
    QVERIFY(catalogue.movedAside().contains("damaged"));
    const QStringList aside = QDir(folderOf(path)).entryList({"catalogue.sqlite.damaged-*"});
    QCOMPARE(aside.size(), 1);
    QFile kept(folderOf(path) + "/" + aside.value(0));
    QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == damaged);
    QVERIFY(catalogue.recordGroup(stick, 1, styles({"01A.STY"})));
    QCOMPARE(catalogue.find("01a").size(), 1);
}

void TestCatalogue::unusableFolderIsReported_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("its folder is a file") << false;
    QTest::newRow("read-only folder") << true;
}

void TestCatalogue::unusableFolderIsReported()
{
    QFETCH(bool, readOnly);
    if (readOnly && ::geteuid() == 0)
        QSKIP("root writes into a read-only folder");
    if (!readOnly)
        writeFile(folderOf(path), "not a folder");
    QVERIFY(!readOnly || (QDir().mkpath(folderOf(path)) && QFile::setPermissions(folderOf(path), QFile::ReadOwner | QFile::ExeOwner)));
    Catalogue catalogue = Catalogue::open();
    QVERIFY(!catalogue.usable());
    QVERIFY2(catalogue.error().contains(path), qPrintable(catalogue.error()));
    QVERIFY(!catalogue.recordGroup(stick, 1, styles({"01A.STY"})));
    QVERIFY(catalogue.find("01").isEmpty());
    QFile::setPermissions(folderOf(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 5 && QByteArray(argv[1]) == "--write-groups")
        return writeGroups(QString::fromLocal8Bit(argv[2]), argv[3], QByteArray(argv[4]).toInt());
    TestCatalogue test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_catalogue.moc"
