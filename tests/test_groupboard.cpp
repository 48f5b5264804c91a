#include "groupboard.h"
#include "groupcommands.h"

#include <QTest>
#include <QUndoStack>

#include <functional>

using Command = std::function<std::unique_ptr<QUndoCommand>(GroupBoard &)>;
Q_DECLARE_METATYPE(Command)

namespace {

// The groups that hold entries, as "3 green 01A 01B | 7 red 07C".
QString shown(const GroupBoard &board)
{
    QStringList groups;
    for (int number = 1; number <= GroupCount; ++number) {
        const Group &group = board.group(number);
        if (group.entries.isEmpty() && group.state == GroupState::Empty)
            continue;
        QStringList words{QString::number(number), QStringList{"empty", "red", "green"}[int(group.state)]};
        for (const QString &entry : group.entries)
            words.append(entry.section('/', -1).section('.', 0, 0));
        groups.append(words.join(' '));
    }
    return groups.join(" | ");
}

} // namespace

class TestGroupBoard : public QObject {
    Q_OBJECT
private slots:
    void commandUndoneAndRedone_data();
    void commandUndoneAndRedone();
    void commandsThatChangeNothing();
};

void TestGroupBoard::commandUndoneAndRedone_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("after");
    const auto row = [](const char *name, Command command, const char *after) {
        QTest::newRow(name) << command << QString(name) << QString(after);
    };
    const QStringList three{"/s/09D.sty", "/s/09E.sty", "/s/09F.sty"};
    row("Remove 01A.sty", [](GroupBoard &b) { return removeEntries(b, 3, {0}); }, "3 green 01B | 7 red 07C");
    row("Remove 07C.sty", [](GroupBoard &b) { return removeEntries(b, 7, {0}); }, "3 green 01A 01B");
    row("Remove 2 styles", [](GroupBoard &b) { return removeEntries(b, 3, {1, 0, 5}); }, "7 red 07C");
    row("Move 01B.sty to Group 07", [](GroupBoard &b) { return moveEntries(b, 3, {1}, 7); }, "3 green 01A | 7 red 07C 01B");
    row("Move 07C.sty to Group 03", [](GroupBoard &b) { return moveEntries(b, 7, {0}, 3); }, "3 red 01A 01B 07C");
    row("Move 2 styles to Group 09", [](GroupBoard &b) { return moveEntries(b, 3, {0, 1}, 9); }, "7 red 07C | 9 red 01A 01B");
    row("Drop 3 styles", [three](GroupBoard &b) { return addFiles(b, 9, three, Arrival::Drop); },
        "3 green 01A 01B | 7 red 07C | 9 red 09D 09E 09F");
    row("Paste 09D.sty", [three](GroupBoard &b) { return addFiles(b, 3, {three[0]}, Arrival::Paste); }, "3 red 01A 01B 09D | 7 red 07C");
    row("Empty GREEN groups", [](GroupBoard &b) { return emptyGreenGroups(b); }, "7 red 07C");
    row("Empty ALL groups", [](GroupBoard &b) { return emptyAllGroups(b); }, "");
}

// Group 3 is on the disk, group 7 waits. Each command is one step, which undo takes back
// exactly, states and disks included, and redo does again.
void TestGroupBoard::commandUndoneAndRedone()
{
    QFETCH(Command, command);
    QFETCH(QString, name);
    QFETCH(QString, after);
    GroupBoard board;
    board.insertEntries(3, 0, {"/s/01A.sty", "/s/01B.sty"});
    board.markCopied(3, {{"1A2B-3C4D", "BAND1", DriveKind::Image, "/d/DSKA0003.IMG"}, QDateTime::currentDateTime()});
    board.insertEntries(7, 0, {"/s/07C.sty"});
    board.setState(7, GroupState::Waiting);
    const BoardSnapshot before = board.snapshot();
    QUndoStack history;

    history.push(command(board).release());
    QCOMPARE(history.undoText(), name);
    QCOMPARE(shown(board), after);
    const BoardSnapshot done = board.snapshot();
    history.undo();
    QVERIFY(board.snapshot() == before);
    history.redo();
    QVERIFY(board.snapshot() == done);
}

void TestGroupBoard::commandsThatChangeNothing()
{
    GroupBoard board;
    board.insertEntries(7, 0, {"/s/07C.sty"});
    QVERIFY(!emptyGreenGroups(board) && !removeEntries(board, 7, {1}) && !moveEntries(board, 7, {0}, 7));
    QVERIFY(!addFiles(board, 7, {}, Arrival::Drop));
    board.takeEntries(7, 0, 1);
    QVERIFY(!emptyAllGroups(board));
}

QTEST_GUILESS_MAIN(TestGroupBoard)
#include "test_groupboard.moc"
