#include "copyrun.h"
#include "fakes.h"

#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Board {
    GroupState operator[](int number) const { return board.group(number).state; }

    void fill(int number, const QStringList &paths, GroupState state = GroupState::Waiting)
    {
        board.insertEntries(number, 0, paths);
        board.setState(number, state);
    }

    GroupBoard board;
};

// The whole run as the window starts it, on its worker.
void runToEnd(CopyRun &run)
{
    QSignalSpy ended(&run, &CopyRun::finished);
    run.Start();
    QVERIFY(ended.wait(10'000));
}

// A drive whose first copy waits until the test lets it go on.
struct HeldDrive : FakeDriveA {
    CopyOutcome FileCopy(const QString &source, const QString &destination) override
    {
        copying.release();
        goOn.acquire();
        return FakeDriveA::FileCopy(source, destination);
    }
    QSemaphore copying, goOn;
};

} // namespace

class TestCopyRun : public QObject {
    Q_OBJECT
private slots:
    void copiesPendingGroupsInOrderUnderTheirPrefix();
    void emptyAndGreenGroupsAreSkipped();
    void oneStylePerName();
    void runReadsTheBoardAsItWasAtItsStart();
    void namesKeepTheirLastValues();
    void stopEndsTheRunWithoutABox();
    void failureEndsTheRun_data();
    void failureEndsTheRun();
    void groupTurnsGreenOnlyAfterFlush();
    void failedFlushKeepsTheGroupPending_data();
    void failedFlushKeepsTheGroupPending();
    void rerunAfterDiskFullStartsTheGroupAgain();
};

void TestCopyRun::copiesPendingGroupsInOrderUnderTheirPrefix()
{
    Board b;
    FakeDriveA drive;
    FakeMessageBoxes messages;
    b.fill(12, {"/s/01Jive.sty", "/s/02Polka.sty", "/s/./01Jive.sty"});
    b.fill(5, {"C:\\Styles\\01Samba.sty"});
    b.fill(20, {"/s/x"});
    CopyRun run(b.board, drive, messages);

    runToEnd(run);

    QCOMPARE(drive.copies, (QStringList{"C:\\Styles\\01Samba.sty -> a:05Samba.sty", "/s/01Jive.sty -> a:12Jive.sty",
                                        "/s/02Polka.sty -> a:12Polka.sty", "/s/x -> a:20x"}));
    for (int number : {5, 12, 20})
        QCOMPARE(b[number], GroupState::Copied);
    QCOMPARE(b[1], GroupState::Empty);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].prompt, QStringLiteral("       READY !"));
    QCOMPARE(messages.shown[0].style, 0);
    QCOMPARE(messages.shown[0].title, QStringLiteral("The end is near..."));
}

void TestCopyRun::emptyAndGreenGroupsAreSkipped()
{
    Board b;
    FakeDriveA drive;
    FakeMessageBoxes messages;
    b.fill(2, {"/s/01Walz.sty"}, GroupState::Copied);
    b.fill(3, {"/s/01Rock.sty"});
    CopyRun run(b.board, drive, messages);

    runToEnd(run);

    QCOMPARE(drive.copies, QStringList{"/s/01Rock.sty -> a:03Rock.sty"});
    QCOMPARE(b[3], GroupState::Copied);
    QCOMPARE(b[1], GroupState::Empty);

    drive.copies.clear();
    messages.shown.clear();
    runToEnd(run);
    QVERIFY(drive.copies.isEmpty());
    QCOMPARE(messages.shown[0].prompt, QStringLiteral("       READY !"));
}

// Group 2 holds one file twice, once through a link; group 3 two styles of one name.
void TestCopyRun::oneStylePerName()
{
    Board b;
    FakeDriveA drive;
    FakeMessageBoxes messages;
    b.fill(2, {"/s/01Walz.sty", "/s//01Walz.sty"});
    b.fill(3, {"/s/01Walz.sty", "/s/Rock.sty", "/t/07WALZ.sty"});
    CopyRun run(b.board, drive, messages);

    runToEnd(run);
    QVERIFY(drive.events.isEmpty());
    QCOMPARE(messages.shown[0].prompt, "CANNOT COPY: /s/01Walz.sty\n/t/07WALZ.sty would be written under the same name "
                                       "03WALZ.STY on drive A: the keyboard holds one style per name. Move one of them "
                                       "to another group.");
    b.board.takeEntries(3, 0, 3);
    runToEnd(run);

    QCOMPARE(drive.copies, QStringList{"/s/01Walz.sty -> a:02Walz.sty"});
}

void TestCopyRun::runReadsTheBoardAsItWasAtItsStart()
{
    Board b;
    b.fill(1, {"/s/01A.sty", "/s/01B.sty"});
    const BoardSnapshot atStart = b.board.snapshot();
    b.board.takeEntries(1, 0, 1);
    b.fill(2, {"/s/02C.sty"});
    FakeDriveA drive;

    (void)copyGroups(planRun(atStart), drive);

    QCOMPARE(drive.copies, (QStringList{"/s/01A.sty -> a:01A.sty", "/s/01B.sty -> a:01B.sty"}));
}

void TestCopyRun::namesKeepTheirLastValues()
{
    Board b;
    FakeDriveA drive;
    FakeMessageBoxes messages;
    b.fill(3, {"C:\\x\\a", "/s/04Bossa.sty"});
    CopyRun run(b.board, drive, messages);
    QVERIFY(run.SourcePath().isEmpty() && run.TargetName().isEmpty());

    runToEnd(run);

    QCOMPARE(drive.copies.first(), QStringLiteral("C:\\x\\a -> a:03a"));
    QCOMPARE(run.SourcePath(), QStringLiteral("/s/04Bossa.sty"));
    QCOMPARE(run.TargetName(), QStringLiteral("03Bossa.sty"));
}

// As when the window closes during a run.
void TestCopyRun::stopEndsTheRunWithoutABox()
{
    Board b;
    HeldDrive drive;
    FakeMessageBoxes messages;
    b.fill(1, {"/s/01A.sty", "/s/01B.sty"});
    CopyRun run(b.board, drive, messages);
    QSignalSpy ended(&run, &CopyRun::finished);
    run.Start();
    drive.copying.acquire();
    run.Stop();
    drive.goOn.release(2);

    QVERIFY(ended.wait(10'000));
    QCOMPARE(drive.copies.size(), 1);
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(b[1], GroupState::Waiting);
}

void TestCopyRun::failureEndsTheRun_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("driveRefusesGroup2");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("title");

    QTest::newRow("no disk") << 71 << false << "DISK NOT READY !" << "Did I forget something ?";
    QTest::newRow("disk full") << 61 << false << "DISK FULL: INSERT NEW DISK !"
                               << "I wish I had a harddisk in my korvana !";
    QTest::newRow("other") << 53 << false << "CANNOT COPY: /s/01C.sty\nfake failure" << "Copy to A:\\";
    QTest::newRow("drive A refuses a group") << 75 << true << "CANNOT COPY: fake failure" << "Copy to A:\\";
}

// Groups 1 and 2 hold two files each; the third file fails, or drive A refuses group 2.
void TestCopyRun::failureEndsTheRun()
{
    QFETCH(int, code);
    QFETCH(bool, driveRefusesGroup2);
    QFETCH(QString, prompt);
    QFETCH(QString, title);
    Board b;
    FakeDriveA drive;
    FakeMessageBoxes messages;
    b.fill(1, {"/s/01A.sty", "/s/01B.sty"});
    b.fill(2, {"/s/01C.sty", "/s/01D.sty"});
    b.fill(3, {"/s/01E.sty"});
    drive.failAt(3, FailureCode(code));
    if (driveRefusesGroup2)
        drive.groupRefusals[2] = driveFailure(FailureCode(code), "fake failure");
    CopyRun run(b.board, drive, messages);

    runToEnd(run);

    QCOMPARE(drive.copies.size(), 2);
    QCOMPARE(b[1], GroupState::Copied);
    QCOMPARE(b[2], GroupState::Waiting);
    QCOMPARE(b[3], GroupState::Waiting);
    QCOMPARE(b.board.group(2).entries.size(), 2);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].prompt, prompt);
    QCOMPARE(messages.shown[0].style, 16);
    QCOMPARE(messages.shown[0].title, title);
}

void TestCopyRun::groupTurnsGreenOnlyAfterFlush()
{
    Board b;
    FakeDriveA drive;
    b.fill(1, {"/s/01A.sty"});
    b.fill(2, {"/s/01B.sty"});

    RunListener listener;
    listener.groupCopied = [&](int number) { drive.events.append(QStringLiteral("green %1").arg(number)); };
    (void)copyGroups(planRun(b.board), drive, listener);

    QCOMPARE(drive.events, (QStringList{"begin", "group 01A.sty", "a:01A.sty", "flush", "green 1", "group 02B.sty",
                                        "a:02B.sty", "flush", "green 2", "end"}));
}

void TestCopyRun::failedFlushKeepsTheGroupPending_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("disk full") << 61 << "" << "DISK FULL: INSERT NEW DISK !";
    QTest::newRow("read back differs") << 75 << "/s/01A.sty" << "CANNOT COPY: /s/01A.sty\nfake flush failure";
}

// Group 4 holds two files; the flush fails, possibly naming the first of them.
void TestCopyRun::failedFlushKeepsTheGroupPending()
{
    QFETCH(int, code);
    QFETCH(QString, source);
    QFETCH(QString, prompt);
    Board b;
    FakeDriveA drive;
    FakeMessageBoxes messages;
    b.fill(4, {"/s/01A.sty", "/s/01B.sty"});
    drive.flushFailureCode = FailureCode(code);
    drive.flushFailureSource = source;
    CopyRun run(b.board, drive, messages);

    runToEnd(run);

    QCOMPARE(b[4], GroupState::Waiting);
    QCOMPARE(messages.shown[0].prompt, prompt);
    QCOMPARE(drive.events.last(), QStringLiteral("end"));
}

void TestCopyRun::rerunAfterDiskFullStartsTheGroupAgain()
{
    Board b;
    FakeDriveA drive;
    FakeMessageBoxes messages;
    b.fill(6, {"/s/01A.sty"});
    b.fill(7, {"/s/01B.sty", "/s/01C.sty", "/s/01D.sty"});
    drive.failAt(3, DiskFull);
    CopyRun run(b.board, drive, messages);
    runToEnd(run);
    QCOMPARE(b[6], GroupState::Copied);

    drive.failAt(0, NoFailure);
    drive.copies.clear();
    runToEnd(run);

    QCOMPARE(drive.copies, (QStringList{"/s/01B.sty -> a:07B.sty", "/s/01C.sty -> a:07C.sty",
                                        "/s/01D.sty -> a:07D.sty"}));
    QCOMPARE(b[7], GroupState::Copied);
    QCOMPARE(messages.shown.last().prompt, QStringLiteral("       READY !"));
}

QTEST_GUILESS_MAIN(TestCopyRun)
#include "test_copyrun.moc"
