#include "controls.h"
#include "desktopmessageboxes.h"
#include "dropintake.h"
#include "folderdrive.h"
#include "windowfixture.h"
#include "grouplistbox.h"
#include "testfiles.h"
#include "userinput.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <cmath>
#include <sys/mount.h>
#include <unistd.h>

namespace {

std::unique_ptr<QMimeData> fileList(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

// Drags data over a list and releases it there, as a file manager does.
bool dropOnto(GroupListBox *list, const QMimeData &data, Qt::DropAction expected = Qt::CopyAction)
{
    QWidget *target = list->viewport();
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(centre, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(centre, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() && drop.dropAction() == expected;
}

QStringList entries(const GroupListBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->ListCount(); ++i)
        texts.append(list->List(i));
    return texts;
}

// "green" or "red" as the list shows it, then the names of the entries: "green 01A 01B".
QString shown(const GroupListBox *list)
{
    QStringList words{list->palette().color(QPalette::Text) == QColor(0, 192, 0) ? "green" : "red"};
    for (const QString &entry : entries(list))
        words.append(QFileInfo(entry).baseName());
    return words.join(' ');
}

// Clicks a command and waits for the run or format that it starts, if any, to end.
void click(frmDupliva &window, const char *button)
{
    auto *command = window.findChild<QPushButton *>(QLatin1String(button));
    QTest::mouseClick(command, Qt::LeftButton);
    QTRY_VERIFY(command->isEnabled());
}

// Acts on the first modal message box that opens, without waiting for it here.
void whenABoxOpens(QObject *context, const std::function<void(QMessageBox *)> &act)
{
    auto *look = new QTimer(context);
    QObject::connect(look, &QTimer::timeout, look, [look, act] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            look->deleteLater();
            look->stop();
            act(box);
        }
    });
    look->start(10);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void opensAsDesigned();
    void captionsStandAboveTheirOwnList();
    void tabOrderFollowsTheDesign();
    void dropAppendsLocalFilesInOrder();
    void dropAddresses_data();
    void dropAddresses();
    void dropWithoutFilesChangesNothing();
    void editingAndUndoing_data();
    void editingAndUndoing();
    void contextMenuByKeyboard();
    void whereIsThisStyle();
    void busyCursorDuringTheRunOnly();
    void wholeCycleOnFloppySizedDisks();
    void runHoldsOffTheUser();
    void quittingDuringARunWaitsForIt();
    void endOfRunBoxTakesARealAnswer_data();
    void endOfRunBoxTakesARealAnswer();
    void returnPressesTheFocusedButton();
    void groupStateReachesAScreenReader();
    void everythingThatTakesAClickHasAName();
    void textStaysReadableOnADarkDesktop();
};

void TestMainWindow::opensAsDesigned()
{
    WindowFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));

    QCOMPARE(f.window.windowTitle(), QStringLiteral("KORVANA    harddisk to A"));
    QCOMPARE(f.window.centralWidget()->size(), QSize(407, 463));
    QCOMPARE(f.window.minimumSize(), f.window.maximumSize());
    QVERIFY(!(f.window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(f.window.menuBar()->actions().size(), 1);
    QCOMPARE(f.window.menuBar()->actions().first()->text(), QStringLiteral("&About this program"));
    for (int number = 1; number <= GroupCount; ++number) {
        GroupListBox *list = f.window.groupList(number);
        QCOMPARE(list->objectName(), QStringLiteral("List%1").arg(number));
        QCOMPARE(list->ListCount(), 0);
        QCOMPARE(list->palette().color(QPalette::Text), QColor(128, 0, 0));
        QCOMPARE(list->palette().color(QPalette::Base), QColor(224, 224, 224));
        QCOMPARE(list->size(), QSize(145, 17));
    }
    QCOMPARE(QApplication::focusWidget(), f.window.groupList(6));

    put(f.window, 9, {"/s/01A.sty"}, GroupState::Copied);
    QCOMPARE(f.window.groupList(9)->palette().color(QPalette::Text), QColor(0, 192, 0));
}

void TestMainWindow::captionsStandAboveTheirOwnList()
{
    WindowFixture f;
    for (int number = 1; number <= GroupCount; ++number) {
        const GroupListBox *list = f.window.groupList(number);
        const QString caption = QStringLiteral("Group %1").arg(number, 2, 10, QLatin1Char('0'));
        QCOMPARE(list->accessibleName(), caption);
        const QList<QLabel *> labels = f.window.findChildren<QLabel *>();
        const auto label = std::find_if(labels.begin(), labels.end(),
                                        [&](const QLabel *l) { return l->text() == caption; });
        QVERIFY2(label != labels.end(), qPrintable(caption));
        QCOMPARE((*label)->pos(), list->pos() + QPoint(39, -15));
    }
    QCOMPARE(f.window.findChild<QLabel *>("Label19")->text(), QStringLiteral("Group 12"));
    QCOMPARE(f.window.findChild<QLabel *>("Label20")->text(), QStringLiteral("Group 01"));
}

void TestMainWindow::tabOrderFollowsTheDesign()
{
    WindowFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));

    f.window.groupList(10)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command2"));

    f.window.findChild<QPushButton *>("Command1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.window.groupList(11));
}

void TestMainWindow::dropAppendsLocalFilesInOrder()
{
    WindowFixture f;
    GroupListBox *list4 = f.window.groupList(4);
    QVERIFY(dropOnto(list4, *fileList({"/s/01Samba.sty"})));

    QVERIFY(dropOnto(list4, *fileList({"/s/02Rock.sty", "/s/My Styles/03Walz.sty", "/s/01Samba.sty"})));
    auto mixed = fileList({"/s/04Jive.sty"});
    mixed->setUrls({QUrl("https://example.org/05Web.sty"), QUrl::fromLocalFile("/s/04Jive.sty"),
                    QUrl("file:06Relative.sty"), QUrl("file:///s/07Nul%00.sty")});
    QVERIFY(dropOnto(list4, *mixed));

    QCOMPARE(entries(list4), (QStringList{"/s/01Samba.sty", "/s/02Rock.sty", "/s/My Styles/03Walz.sty",
                                          "/s/01Samba.sty", "/s/04Jive.sty"}));
    QCOMPARE(shown(list4).section(' ', 0, 0), "red");
    for (int number = 1; number <= GroupCount; ++number) {
        if (number != 4)
            QCOMPARE(f.window.groupList(number)->ListCount(), 0);
    }

    QTemporaryDir work; // a folder gives the regular files in it, by name, and no hidden one
    const QString folder = work.path() + '/', odd = fromLocalName("\xff.sty");
    QVERIFY(QDir().mkpath(folder + "sub"));
    for (const QString &name : {QString("02b.sty"), QString(".directory"), odd, QString("sub/03c.sty")})
        writeFile(folder + name, "style");
    QVERIFY(QFile::link(folder + "02b.sty", folder + "01a.sty"));
    QVERIFY(dropOnto(f.window.groupList(3), *fileList({work.path(), "/s/missing.sty"})));
    QCOMPARE(::unlink(localName(folder + odd).constData()), 0); // a name QTemporaryDir could not remove
    QCOMPARE(entries(f.window.groupList(3)),
             (QStringList{folder + "01a.sty", folder + "02b.sty", folder + odd, "/s/missing.sty"}));

    QStringList many;
    for (int i = 0; i < 40000; ++i)
        many.append(QStringLiteral("/s/%1.sty").arg(i));
    QVERIFY(dropOnto(f.window.groupList(20), *fileList(many)));
    QCOMPARE(f.window.groupList(20)->ListCount(), 40000);
    QCOMPARE(f.window.groupList(20)->List(39999), QStringLiteral("/s/39999.sty"));
}

void TestMainWindow::dropAddresses_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QString>("path"); // empty: not a file on this computer

    QTest::newRow("no host") << QByteArray("file:///s/01Samba.sty") << "/s/01Samba.sty";
    QTest::newRow("localhost") << QByteArray("file://localhost/s/01Samba.sty") << "/s/01Samba.sty";
    QTest::newRow("LOCALHOST, escaped") << QByteArray("file://LOCALHOST/s/My%20Styles/01.sty") << "/s/My Styles/01.sty";
    QTest::newRow("bytes that are no UTF-8") << QByteArray("file:///s/01%FFSamba.sty")
                                             << QString("/s/01" + QString(QChar(0xDCFF)) + "Samba.sty");
    QTest::newRow("another host") << QByteArray("file://otherhost/s/01Samba.sty") << "";
    QTest::newRow("web") << QByteArray("https://example.org/05Web.sty") << "";
    QTest::newRow("relative") << QByteArray("file:06Relative.sty") << "";
    QTest::newRow("escaped NUL") << QByteArray("file:///s/07Nul%00.sty") << "";
}

void TestMainWindow::dropAddresses()
{
    QFETCH(QByteArray, address);
    QFETCH(QString, path);
    QMimeData data;
    data.setData("text/uri-list", address + "\r\n");
    QCOMPARE(droppedFiles(data), path.isEmpty() ? QStringList() : QStringList{path});
}

void TestMainWindow::dropWithoutFilesChangesNothing()
{
    WindowFixture f;
    QMimeData text;
    text.setText("/s/01Samba.sty");
    QMimeData webOnly;
    webOnly.setUrls({QUrl("https://example.org/01Samba.sty")});

    dropOnto(f.window.groupList(1), text);
    dropOnto(f.window.groupList(1), webOnly);
    f.window.List_OLEDragDrop(1, text);

    QCOMPARE(f.window.groupList(1)->ListCount(), 0);
    QVERIFY(f.messages.shown.isEmpty());
}

enum class Edit { Key, Menu, Drag, Drop, Click };

void TestMainWindow::editingAndUndoing_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("what"); // keys, the menu's entries, the group dragged to, or a button
    QTest::addColumn<int>("group"); // edited, or dragged from
    QTest::addColumn<int>("steps"); // as many edits, each a step that Ctrl+Z undoes
    QTest::addColumn<QByteArray>("brought"); // by a drop or the clipboard: the format, a blank, the data
    QTest::addColumn<QString>("groups"); // 3 and 7 after the edits
    const auto row = [](const char *name, Edit edit, const char *what, int group, int steps, const char *brought,
                        const char *groups) {
        QTest::newRow(name) << edit << what << group << steps << QByteArray(brought) << groups;
    };
    const char *files = "text/uri-list file:///s/09D.sty";

    row("Delete", Edit::Key, "Del", 3, 1, "", "green 01B | red 07C");
    row("Delete twice", Edit::Key, "Del", 3, 2, "", "red | red 07C");
    row("BackSpace", Edit::Key, "Backspace", 7, 1, "", "green 01A 01B | red");
    row("Remove", Edit::Menu, "Remove", 3, 1, "", "green 01B | red 07C");
    row("Move to group 07", Edit::Menu, "Move to group/Group 07", 3, 1, "", "green 01B | red 07C 01A");
    row("drag onto a green group", Edit::Drag, "3", 7, 1, "", "red 01A 01B 07C | red");
    row("drag within the list", Edit::Drag, "3", 3, 0, "", "green 01A 01B | red 07C");
    row("drop", Edit::Drop, "", 3, 1, files, "red 01A 01B 09D | red 07C");
    row("Ctrl+V, file list", Edit::Key, "Ctrl+V", 3, 1, files, "red 01A 01B 09D | red 07C");
    row("Shift+Insert, cut files", Edit::Key, "Shift+Ins", 7, 1,
        "x-special/gnome-copied-files cut\nfile:///s/09D.sty\nfile:///s/09E.sty", "green 01A 01B | red 07C 09D 09E");
    row("Ctrl+V, text", Edit::Key, "Ctrl+V", 3, 0, "text/plain /s/09D.sty", "green 01A 01B | red 07C");
    row("Empty GREEN groups only", Edit::Click, "Command1", 3, 1, "", "red | red 07C");
    row("Empty ALL", Edit::Click, "Command2", 3, 1, "", "red | red");
}

// Each edit goes through the window as the user's does; Ctrl+Z undoes one step at a time,
// back to the end of the last copy run, and no further.
void TestMainWindow::editingAndUndoing()
{
    QFETCH(Edit, edit);
    QFETCH(QString, what);
    QFETCH(int, group);
    QFETCH(int, steps);
    QFETCH(QByteArray, brought);
    QFETCH(QString, groups);
    WindowFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    QVERIFY(dropOnto(f.window.groupList(3), *fileList({"/s/01A.sty", "/s/01B.sty"})));
    QVERIFY(dropOnto(f.window.groupList(7), *fileList({"/s/07C.sty"})));
    f.drive.failAt(3, DiskFull);
    int focusMoves = 0;
    const auto counting = connect(qApp, &QApplication::focusChanged, &f.window, [&] { ++focusMoves; });
    click(f.window, "CmdStartCopy");
    QTRY_VERIFY(f.window.groupList(3)->isEnabled()); // the run has ended
    disconnect(counting);
    QVERIFY2(focusMoves <= 3, qPrintable(QString::number(focusMoves))); // onto the button, off it for the run, back
    auto *bringing = new QMimeData; // on the clipboard, and dropped
    bringing->setData(brought.left(brought.indexOf(' ')), brought.mid(brought.indexOf(' ') + 1));
    QGuiApplication::clipboard()->setMimeData(bringing);
    GroupListBox *list = f.window.groupList(group);
    list->setFocus();
    const auto shownGroups = [&] { return shown(f.window.groupList(3)) + " | " + shown(f.window.groupList(7)); };

    for (int edits = std::max(steps, 1); edits > 0; --edits) {
        if (edit == Edit::Key) {
            const QKeyCombination key = QKeySequence(what)[0];
            QTest::keyClick(f.window.windowHandle(), key.key(), key.keyboardModifiers());
        } else if (edit == Edit::Menu) {
            whenAMenuOpens(&f.window, what.split('/'));
            clickThroughWindow(list, Qt::RightButton);
        } else if (edit == Edit::Drag) {
            std::unique_ptr<QMimeData> entry(list->model()->mimeData({list->model()->index(0, 0)}));
            QCOMPARE(dropOnto(f.window.groupList(what.toInt()), *entry, Qt::MoveAction), what.toInt() != group);
        } else if (edit == Edit::Drop) {
            QVERIFY(dropOnto(list, *bringing));
        } else {
            click(f.window, what.toLatin1().constData());
        }
    }
    QCOMPARE(shownGroups(), groups);
    const QModelIndex current = list->currentIndex(); // in sight and selected, if any is left
    QVERIFY(steps == 0 || list->ListCount() == 0 || list->selectionModel()->isSelected(current));
    QVERIFY(steps == 0 || list->ListCount() == 0 || list->viewport()->rect().contains(list->visualRect(current).center()));

    f.window.activateWindow(); // as the desktop does when a menu has closed
    QTRY_VERIFY(QApplication::activeWindow() == &f.window);
    for (int undo = 0; undo <= steps; ++undo)
        QTest::keyClick(f.window.windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(shownGroups(), QString("green 01A 01B | red 07C"));
    for (int redo = 0; redo < steps; ++redo)
        QTest::keyClick(f.window.windowHandle(), redo % 2 ? Qt::Key_Y : Qt::Key_Z,
                        redo % 2 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(shownGroups(), groups);
}

// The list's context menu names its entries without their keys, which the menu shows from
// the entries' shortcuts; opened by the keyboard, its first entry is active at once.
void TestMainWindow::contextMenuByKeyboard()
{
    WindowFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    put(f.window, 3, {"/s/01A.sty", "/s/01B.sty"});
    f.window.groupList(3)->setFocus();
    QTest::keyClick(f.window.windowHandle(), Qt::Key_Delete);
    QStringList seen;
    auto *look = new QTimer(&f.window);
    connect(look, &QTimer::timeout, look, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu || !menu->activeAction())
            return;
        seen.append(menu->activeAction()->text());
        for (const QAction *action : menu->actions())
            seen.append(action->text());
        look->stop();
        menu->close();
    });
    look->start(10);

    QTest::keyClick(f.window.windowHandle(), Qt::Key_F10, Qt::ShiftModifier);

    QTRY_COMPARE(seen, (QStringList{"&Undo Remove 01A.sty", "&Undo Remove 01A.sty", "&Redo", "", "&Remove",
                                    "&Move to group", "&Where is this style?", "&Paste"}));
}

// The catalogue is asked for the entry's own file, and its answer shown.
void TestMainWindow::whereIsThisStyle()
{
    WindowFixture f;
    put(f.window, 3, {"/t/01A.sty", "/s/01A.sty"});
    f.places["/s/01A.sty"].lines = QStringList{"03A.STY\t03\tBAND1\t1A2B-3C4D\t-\t2026-12-08 14:02"};
    for (const int row : {0, 1}) {
        f.window.groupList(3)->setCurrentIndex(f.window.groupList(3)->model()->index(row, 0));
        whenAMenuOpens(&f.window, {"Where is this style?"});
        QTest::keyClick(f.window.groupList(3), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_COMPARE(f.messages.shown.size(), row + 1);
    }
    QCOMPARE(f.messages.shown[0].prompt, QStringLiteral("The catalogue knows no disk that holds /t/01A.sty."));
    QCOMPARE(f.messages.shown[1].prompt, "/s/01A.sty is on:\n" + f.places["/s/01A.sty"].lines[0]);
}

void TestMainWindow::busyCursorDuringTheRunOnly()
{
    WindowFixture f;
    put(f.window, 1, {"/s/01A.sty"});
    put(f.window, 2, {"/s/01B.sty"});
    QList<Qt::CursorShape> seen;
    f.drive.onCopy = [&] { seen.append(QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor); };
    f.drive.failAt(2, DriveNotReady);

    click(f.window, "CmdStartCopy");

    QCOMPARE(seen, (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::WaitCursor}));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(f.messages.shown.last().prompt, QStringLiteral("DISK NOT READY !"));
}

// Drop, copy until the disk is full, insert a new disk, empty the green groups, copy
// again: on a real drive A, a folder on which 1440 KB floppies are mounted.
void TestMainWindow::wholeCycleOnFloppySizedDisks()
{
    if (::geteuid() != 0)
        QSKIP("mounting floppy-sized disks needs root");
    QTemporaryDir work;
    const QString driveFolder = work.filePath("a");
    QVERIFY(QDir().mkpath(driveFolder) && QDir().mkpath(work.filePath("styles")));
    const QByteArray path = QFile::encodeName(driveFolder);
    const auto insertNewDisk = [&] {
        ::umount(path.constData());
        return ::mount("tmpfs", path.constData(), "tmpfs", 0, "size=1440k") == 0;
    };
    if (!insertNewDisk())
        QSKIP("this machine cannot mount a tmpfs here");
    auto unmount = qScopeGuard([&] { ::umount(path.constData()); });

    QStringList styles;
    for (const char *name : {"01Samba.sty", "02Rock.sty", "03Walz.sty", "04Jive.sty"}) {
        styles.append(work.filePath(QStringLiteral("styles/") + name));
        QFile file(styles.last());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(500 * 1024, name[1])) > 0);
    }
    FolderDriveA drive(driveFolder);
    FakeMessageBoxes messages;
    FakeLauncher launcher;
    FakeFormatDialog formatDialog;
    frmDupliva window({drive, messages, launcher, formatDialog});
    QVERIFY(dropOnto(window.groupList(1), *fileList({styles[0]})));
    QVERIFY(dropOnto(window.groupList(11), *fileList({styles[1], styles[2]})));
    QVERIFY(dropOnto(window.groupList(2), *fileList({styles[3]})));

    click(window, "CmdStartCopy");
    QCOMPARE(messages.shown.last().prompt, QStringLiteral("DISK FULL: INSERT NEW DISK !"));
    QCOMPARE(window.groupBoard().group(1).state, GroupState::Copied);
    QCOMPARE(window.groupBoard().group(2).state, GroupState::Copied);
    QCOMPARE(window.groupBoard().group(11).state, GroupState::Waiting);
    QCOMPARE(QDir(driveFolder).entryList(QDir::Files), (QStringList{"01Samba.sty", "02Jive.sty"}));

    QVERIFY(insertNewDisk());
    click(window, "Command1");
    click(window, "CmdStartCopy");

    QCOMPARE(messages.shown.last().prompt, QStringLiteral("       READY !"));
    QCOMPARE(messages.shown.size(), 2);
    QCOMPARE(QDir(driveFolder).entryList(QDir::Files), (QStringList{"11Rock.sty", "11Walz.sty"}));
    QCOMPARE(QFile(driveFolder + "/11Walz.sty").size(), 500 * 1024);
    QCOMPARE(window.groupList(1)->ListCount(), 0);
    QCOMPARE(window.groupBoard().group(11).state, GroupState::Copied);
}

// While a slow drive is written, the window answers but nothing can change the groups
// or start another run: a drop is refused, a click and a screen reader's press do
// nothing, and a close request stops the run before its next style, with no box, and then
// closes the window. The entry being copied is selected.
void TestMainWindow::runHoldsOffTheUser()
{
    FakeDriveA drive;
    FakeMessageBoxes messages;
    FakeLauncher launcher;
    FakeFormatDialog formatDialog;
    frmDupliva window({drive, messages, launcher, formatDialog});
    window.show();
    put(window, 1, {"/s/01A.sty"});
    put(window, 1, {"/s/01B.sty"});
    put(window, 3, {"/s/01C.sty"});
    std::atomic<bool> inSecondCopy = false, userDone = false;
    drive.onCopy = [&] {
        if (drive.copiesAsked != 2)
            return;
        inSecondCopy = true;
        for (QDeadlineTimer limit(10 * 1000); !userDone && !limit.hasExpired();)
            QThread::msleep(10);
    };

    clickThroughWindow(window.findChild<QPushButton *>("CmdStartCopy"));
    QTRY_VERIFY(inSecondCopy);
    QTRY_COMPARE(window.groupList(1)->currentIndex().row(), 1);
    QVERIFY(!dropOnto(window.groupList(2), *fileList({"/s/02Late.sty"})));
    clickThroughWindow(window.findChild<QPushButton *>("Command2")); // "Empty ALL"
    for (QPushButton *command : window.findChildren<QPushButton *>()) {
        QAccessibleActionInterface *actions = QAccessible::queryAccessibleInterface(command)->actionInterface();
        actions->doAction(QAccessibleActionInterface::pressAction());
    }
    QCoreApplication::processEvents();
    window.close();
    userDone = true;

    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(drive.copiesAsked, 2);
    QCOMPARE(drive.events.last(), QStringLiteral("end"));
    QCOMPARE(formatDialog.calls.size(), 0);
    QCOMPARE(launcher.homeFolderOpenings, 0);
    QCOMPARE(window.groupList(2)->ListCount(), 0);
    QCOMPARE(window.groupList(1)->ListCount(), 2);
    QCOMPARE(window.groupBoard().group(3).state, GroupState::Waiting);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].title, QStringLiteral("Dont't forget:"));
}

// When the event loop ends during a run, the run stops before its next style and the
// window goes only once drive A is let go.
void TestMainWindow::quittingDuringARunWaitsForIt()
{
    FakeDriveA drive;
    FakeMessageBoxes messages;
    FakeLauncher launcher;
    FakeFormatDialog formatDialog;
    auto window = std::make_unique<frmDupliva>(PlatformServices{drive, messages, launcher, formatDialog});
    window->show();
    put(*window, 1, {"/s/01A.sty"});
    put(*window, 1, {"/s/01B.sty"});
    std::atomic<bool> copying = false;
    drive.onCopy = [&] {
        copying = true;
        QThread::msleep(200);
    };
    clickThroughWindow(window->findChild<QPushButton *>("CmdStartCopy"));
    QTRY_VERIFY(copying);

    window.reset(); // as when main() returns after QCoreApplication::exit()

    QCOMPARE(drive.events.last(), QStringLiteral("end"));
    QCOMPARE(drive.copiesAsked, 1);
}

void TestMainWindow::endOfRunBoxTakesARealAnswer_data()
{
    QTest::addColumn<int>("key"); // 0: a click on OK
    QTest::newRow("click") << 0;
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    QTest::newRow("space bar") << int(Qt::Key_Space);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

// The box that ends a run is answered as a user answers it, through its window, while
// the run still holds off the main window.
void TestMainWindow::endOfRunBoxTakesARealAnswer()
{
    QFETCH(int, key);
    FakeDriveA drive;
    DesktopMessageBoxes messages;
    FakeLauncher launcher;
    FakeFormatDialog formatDialog;
    frmDupliva window({drive, messages, launcher, formatDialog});
    window.show();
    put(window, 1, {"/s/01A.sty"});
    bool answered = false;
    whenABoxOpens(&window, [&](QMessageBox *box) { answered = answerThroughWindow(box, key, QMessageBox::Ok); });

    click(window, "CmdStartCopy");

    QVERIFY(answered);
    QCOMPARE(window.groupBoard().group(1).state, GroupState::Copied);
    clickThroughWindow(window.findChild<QPushButton *>("Command2")); // the run is over: "Empty ALL" works
    QCOMPARE(window.groupList(1)->ListCount(), 0);
}

// Return and the keypad's Enter press the focused button, as the space bar does.
void TestMainWindow::returnPressesTheFocusedButton()
{
    WindowFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        put(f.window, 3, {"/s/01A.sty"});
        f.window.findChild<QPushButton *>("Command2")->setFocus();
        QTest::keyClick(f.window.windowHandle(), key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(f.window.groupList(3)->ListCount(), 0);
    }
}

void TestMainWindow::groupStateReachesAScreenReader()
{
    WindowFixture f;
    GroupListBox *list5 = f.window.groupList(5);
    const auto heard = [&] { return QAccessible::queryAccessibleInterface(list5)->text(QAccessible::Description); };
    QCOMPARE(heard(), QStringLiteral("Group 05: empty"));
    QVERIFY(dropOnto(list5, *fileList({"/s/01A.sty", "/s/01B.sty", "/s/01C.sty"})));
    QCOMPARE(heard(), QStringLiteral("Group 05: 3 styles, waiting to be copied; 3 styles added"));
    QVERIFY(dropOnto(list5, *fileList({"/s/01D.sty", "/s/01E.sty"})));
    QCOMPARE(heard(), QStringLiteral("Group 05: 5 styles, waiting to be copied; 2 styles added"));
    QCOMPARE(list5->currentIndex().row(), 3); // the first that came
    f.drive.disk = {"1A2B-3C4D", "BAND1", DriveKind::Image, "/d/DSKA0003.IMG"};
    click(f.window, "CmdStartCopy");
    const QString disk = "On disk BAND1 (serial 1A2B-3C4D), DSKA0003.IMG, ";
    QVERIFY2(heard().startsWith("Group 05: 5 styles, copied to the disk. " + disk), qPrintable(heard()));
    QVERIFY(list5->model()->index(4, 0).data(Qt::ToolTipRole).toString().startsWith("/s/01E.sty\n" + disk));
    click(f.window, "Command1");
    QCOMPARE(heard(), QStringLiteral("Group 05: empty"));
}

// Buttons, link labels and the menu entry, in both windows, as assistive technology sees them.
void TestMainWindow::everythingThatTakesAClickHasAName()
{
    WindowFixture f;
    f.window.Help_Click();
    QList<QAccessibleInterface *> clickable;
    for (QWidget *window : {static_cast<QWidget *>(&f.window), static_cast<QWidget *>(f.window.aboutWindow())}) {
        for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
            if (button->isVisibleTo(window)) // not the menu bar's hidden overflow button
                clickable.append(QAccessible::queryAccessibleInterface(button));
        }
        for (ClickableLabel *link : window->findChildren<ClickableLabel *>()) {
            clickable.append(QAccessible::queryAccessibleInterface(link));
            QCOMPARE(clickable.last()->role(), QAccessible::Link);
        }
    }
    QAccessibleInterface *menuBar = QAccessible::queryAccessibleInterface(f.window.menuBar());
    QCOMPARE(menuBar->childCount(), 1);
    clickable.append(menuBar->child(0));

    QCOMPARE(clickable.size(), 5 + 1 + 3 + 1); // buttons and Label10; the about window's button and links; the menu
    for (QAccessibleInterface *control : clickable)
        QVERIFY2(!control->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(control->object()->objectName()));
    QCOMPARE(menuBar->child(0)->text(QAccessible::Name), QStringLiteral("About this program"));
}

double luminance(const QColor &colour)
{
    const auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// What a label is drawn on: its own face, or that of the first container that fills one.
QColor background(const QWidget *widget)
{
    while (widget->parentWidget() && !widget->autoFillBackground())
        widget = widget->parentWidget();
    return widget->palette().color(QPalette::Window);
}

// Both windows keep the light face their colours were chosen for, whatever the desktop's
// theme: every text reaches a contrast of 4.5.
void TestMainWindow::textStaysReadableOnADarkDesktop()
{
    const QPalette desktop = QApplication::palette();
    QPalette dark(QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
    QApplication::setPalette(dark);
    auto restore = qScopeGuard([&] { QApplication::setPalette(desktop); });
    WindowFixture f;
    f.window.Help_Click();
    for (QWidget *window : {static_cast<QWidget *>(&f.window), static_cast<QWidget *>(f.window.aboutWindow())}) {
        for (QLabel *label : window->findChildren<QLabel *>()) {
            if (label->text().isEmpty())
                continue;
            const double text = luminance(label->palette().color(QPalette::WindowText));
            const double face = luminance(background(label));
            const double contrast = (std::max(text, face) + 0.05) / (std::min(text, face) + 0.05);
            QVERIFY2(contrast >= 4.5, qPrintable(label->objectName() + QString(": %1").arg(contrast)));
        }
    }
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
