#include "copyrun.h"
#include "mtools.h"
#include "copyrunner.h"
#include "fakes.h"
#include "imagedrive.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

// The plan for real floppy images against what the real run puts on them, one fresh
// image per "DISK FULL: INSERT NEW DISK !".
class DiskPlanTest : public QObject {
    Q_OBJECT
private slots:
    void planMatchesRun_data();
    void planMatchesRun();
    void planOfTheDiskInDriveA_data();
    void planOfTheDiskInDriveA();
    void planNamesTheGroups_data();
    void planNamesTheGroups();
};

namespace {

// Group number of each style on the image, from its name's prefix.
QList<int> groupsOn(const QString &image)
{
    QList<int> groups;
    for (const QString &line : QString::fromUtf8(mtools("mdir", {"-b", "-i", image, "::"})).split('\n', Qt::SkipEmptyParts)) {
        const int number = line.mid(3, 2).toInt(); // after "::/"
        if (!groups.contains(number))
            groups.append(number);
    }
    return groups;
}

} // namespace

void DiskPlanTest::planMatchesRun_data()
{
    QTest::addColumn<int>("kilobytes");
    QTest::addColumn<QList<int>>("styles"); // per group
    QTest::addColumn<QList<int>>("bytes"); // of each style of the group
    QTest::addColumn<bool>("longNames");
    QTest::addColumn<QList<QList<int>>>("disks");
    QTest::addColumn<int>("refusedGroup");

    QTest::newRow("720 KB, large styles fill the space")
        << 720 << QList{3, 2, 1, 3, 2, 4} << QList{150000, 200000, 300000, 100000, 250000, 60000} << false
        << QList<QList<int>>{{1}, {2, 3}, {4}, {5}, {6}} << 0;
    // 7 x 51 clusters of 1 KB: two groups need 714 of the 713 clusters, though their bytes fit.
    QTest::newRow("720 KB, sizes rounded up to clusters")
        << 720 << QList{7, 7, 7} << QList{51201, 51201, 51201} << false << QList<QList<int>>{{1}, {2}, {3}} << 0;
    QTest::newRow("1.44 MB, small styles fill the root directory")
        << 1440 << QList{60, 60, 60, 60, 60} << QList{100, 100, 100, 100, 100} << false
        << QList<QList<int>>{{1, 2, 3}, {4, 5}} << 0;
    // 24 characters: 3 entries each, 36 a group, of 112.
    QTest::newRow("720 KB, long names take more entries")
        << 720 << QList{12, 12, 12, 12, 12, 12, 12} << QList{10, 10, 10, 10, 10, 10, 10} << true
        << QList<QList<int>>{{1, 2, 3}, {4, 5, 6}, {7}} << 0;
    QTest::newRow("720 KB, a group larger than a disk")
        << 720 << QList{1, 3} << QList{1000, 300000} << false << QList<QList<int>>{} << 2;
    QTest::newRow("1.44 MB, a group with more styles than the root directory holds")
        << 1440 << QList{230} << QList{10} << false << QList<QList<int>>{} << 1;
}

void DiskPlanTest::planMatchesRun()
{
    QFETCH(int, kilobytes);
    QFETCH(QList<int>, styles);
    QFETCH(QList<int>, bytes);
    QFETCH(bool, longNames);
    QFETCH(QList<QList<int>>, disks);
    QFETCH(int, refusedGroup);

    const QTemporaryDir folder;
    GroupBoard board;
    for (int number = 1; number <= styles.size(); ++number) {
        for (int style = 0; style < styles[number - 1]; ++style) {
            const QString name = longNames ? QStringLiteral("xxLong style name %1.sty") : QStringLiteral("xxS%1.STY");
            const QString source = folder.filePath(QStringLiteral("%1/").arg(number) + name.arg(style, 3 - int(longNames), 10, QChar('0')));
            QDir().mkpath(QFileInfo(source).path());
            writeFile(source, QByteArray(bytes[number - 1], 'x'));
            addStyles(board, number, {source});
        }
    }
    FakeMessageBoxes messages;

    QList<QList<int>> landed;
    std::optional<DiskPlan> plan;
    for (int disk = 0; disk < 10 && (messages.shown.isEmpty() || messages.shown.last().prompt.startsWith("DISK FULL")); ++disk) {
        const QString image = folder.filePath(QStringLiteral("DSKA%1.IMG").arg(disk, 4, 10, QChar('0')));
        mtools("mformat", {"-C", "-i", image, "-f", QString::number(kilobytes), "::"});
        ImageDriveA drive(image);
        if (!plan)
            plan = planDisks(diskRoomThroughMtools(image).room.value(), planRun(board).groups);
        copyAndReport(board, drive, messages);
        landed.append(groupsOn(image));
        emptyGreenGroups(board);
    }

    QCOMPARE(plan->groupNoDiskHolds, refusedGroup);
    if (refusedGroup) {
        QCOMPARE(landed, QList<QList<int>>{{}});
        QVERIFY2(messages.shown.last().prompt.startsWith(QStringLiteral("CANNOT COPY: Group %1 holds ").arg(refusedGroup, 2, 10, QChar('0'))),
                 qPrintable(messages.shown.last().prompt));
        QVERIFY(messages.shown.last().prompt.endsWith("move some of its styles to another group."));
        return;
    }
    QCOMPARE(messages.shown.last().prompt, QStringLiteral("       READY !"));
    QCOMPARE(landed, disks);
    QCOMPARE(plan->disks, disks);
    QVERIFY(describePlan(*plan).contains(QStringLiteral(", about %1 disks; ").arg(disks.size())));
}

void DiskPlanTest::planOfTheDiskInDriveA_data()
{
    QTest::addColumn<int>("freeClusters");
    QTest::addColumn<int>("freeEntries");
    QTest::addColumn<int>("styles"); // of 100 KB each, in group 1
    QTest::addColumn<bool>("onDisk"); // the group's earlier copies
    QTest::addColumn<QString>("onThisDisk");
    QTest::newRow("group copied again over itself") << 10 << 100 << 2 << true << "all fit on this one.";
    QTest::newRow("no room but for its earlier copies") << 10 << 100 << 2 << false << "none fits on this one.";
    QTest::newRow("root directory the limit") << 500 << 3 << 5 << false
                                              << "none fits on this one: its root directory has room for 3 more names.";
}

// A 720 KB disk in drive A, with the room that the rows leave on it.
void DiskPlanTest::planOfTheDiskInDriveA()
{
    QFETCH(int, freeClusters);
    QFETCH(int, freeEntries);
    QFETCH(int, styles);
    QFETCH(bool, onDisk);
    QFETCH(QString, onThisDisk);
    const QTemporaryDir folder;
    RunGroup group{1, {}, {}};
    DiskRoom room{737'280, 1024, 713, 112, false, freeClusters, freeEntries, {}};
    for (int i = 0; i < styles; ++i) {
        group.sources.append(folder.filePath(QStringLiteral("xxS%1.STY").arg(i)));
        group.names.append(QStringLiteral("01S%1.STY").arg(i));
        writeFile(group.sources.last(), QByteArray(100 * 1024, 'x'));
        if (onDisk)
            room.fileBytes.insert(group.names.last(), 100 * 1024);
    }

    const QString plan = describePlan(planDisks(room, {group}));
    QVERIFY2(plan.endsWith("; " + onThisDisk), qPrintable(plan));
}

void DiskPlanTest::planNamesTheGroups_data()
{
    QTest::addColumn<QList<int>>("onThisDisk");
    QTest::addColumn<QString>("text");
    QTest::newRow("one") << QList{5} << "group 05 fits on this one.";
    QTest::newRow("two in a row") << QList{11, 12} << "groups 11 and 12 fit on this one.";
    QTest::newRow("apart") << QList{1, 3, 9, 12} << "groups 01, 03, 09 and 12 fit on this one.";
    QTest::newRow("in a row") << QList{1, 2, 3, 4} << "groups 01–04 fit on this one.";
    QTest::newRow("both") << QList{1, 2, 3, 7, 9, 10, 11, 12} << "groups 01–03, 07 and 09–12 fit on this one.";
}

void DiskPlanTest::planNamesTheGroups()
{
    QFETCH(QList<int>, onThisDisk);
    QFETCH(QString, text);
    DiskPlan plan;
    plan.disks = {onThisDisk, {14}};
    plan.groups = plan.styles = int(onThisDisk.size()) + 1;
    const QString described = describePlan(plan);
    QVERIFY2(described.endsWith("; " + text), qPrintable(described));
}

QTEST_GUILESS_MAIN(DiskPlanTest)
#include "test_diskplan.moc"
