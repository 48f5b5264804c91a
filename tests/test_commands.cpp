#include "application.h"
#include "author.h"
#include "grouplistbox.h"
#include "windowfixture.h"

#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>

namespace {

void click(QWidget *control)
{
    QTest::mouseClick(control, Qt::LeftButton);
}

QAction *aboutThisProgram(frmDupliva &window)
{
    return window.menuBar()->actions().first();
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT
private slots:
    void formatReportsOnlyAnError_data();
    void formatReportsOnlyAnError();
    void eraseTurnsBackTheGroupsOnThatDiskForGood();
    void explorerOpensTheHomeFolderOnEveryClick();
    void bannerCaptionOpensTheSynthesizerSite();
    void aboutWindowIsOneInstance();
    void aboutWindowLoadsAfreshAfterClose();
    void aboutWindowAndItsLinksByKeyboard_data();
    void aboutWindowAndItsLinksByKeyboard();
    void farewellEndsTheProgram();
    void launchFailureIsReported();
    void driveButtonsSayWhatDriveAIsWhenAsked();
    void sessionEndClosesWithoutFarewell(); // last: it leaves the application quitting
};

void TestCommands::formatReportsOnlyAnError_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("messages");
    QTest::newRow("formatted") << 0 << 0;
    QTest::newRow("error") << -1 << 1;
    QTest::newRow("closed") << -2 << 0;
    QTest::newRow("cannot be formatted") << -3 << 0;
}

void TestCommands::formatReportsOnlyAnError()
{
    QFETCH(int, result);
    QFETCH(int, messages);
    WindowFixture f;
    f.formatDialog.result = result;

    click(f.window.findChild<QPushButton *>("Command3"));

    QCOMPARE(f.formatDialog.calls.size(), 1);
    QCOMPARE(f.formatDialog.calls[0].owner, &f.window);
    QCOMPARE(f.formatDialog.calls[0].drive, 0u);
    QCOMPARE(f.formatDialog.calls[0].formatId, 0u);
    QCOMPARE(f.formatDialog.calls[0].options, 0u);
    QCOMPARE(f.messages.shown.size(), messages);
    if (messages) {
        QCOMPARE(f.messages.shown[0].prompt, QStringLiteral("Something went wrong"));
        QCOMPARE(f.messages.shown[0].style, 0);
        QCOMPARE(f.messages.shown[0].title, QString());
    }
}

// Only the groups copied to the erased disk wait again, and no undo of a step before the
// erase makes one green.
void TestCommands::eraseTurnsBackTheGroupsOnThatDiskForGood()
{
    WindowFixture f;
    const DiskId band1{"1A2B-3C4D", "BAND1", DriveKind::Image, "/d/DSKA0003.IMG"};
    put(f.window, 3, {"/s/01A.sty", "/s/01B.sty"});
    put(f.window, 7, {"/s/07C.sty"});
    f.window.groupBoard().markCopied(3, {band1, QDateTime::currentDateTime()});
    f.window.groupBoard().markCopied(7, {{"1A2B-3C4D", "BAND1", DriveKind::Image, "/d/DSKA0004.IMG"}, QDateTime::currentDateTime()});
    emit f.window.groupList(3)->removeRequested({1});
    f.formatDialog.erased = band1;
    click(f.window.findChild<QPushButton *>("Command3"));
    f.window.actions().first()->trigger(); // undo
    QCOMPARE(f.window.groupList(3)->ListCount(), 1);
    QVERIFY(f.window.groupBoard().group(3).state == GroupState::Waiting && f.window.groupBoard().group(7).state == GroupState::Copied);
}

void TestCommands::explorerOpensTheHomeFolderOnEveryClick()
{
    WindowFixture f;
    click(f.window.findChild<QPushButton *>("Command4"));
    click(f.window.findChild<QPushButton *>("Command4"));
    QCOMPARE(f.launcher.homeFolderOpenings, 2);
    QVERIFY(f.launcher.webPages.isEmpty());
}

void TestCommands::bannerCaptionOpensTheSynthesizerSite()
{
    WindowFixture f;
    auto *label10 = f.window.findChild<QLabel *>("Label10");
    QCOMPARE(label10->text(), QStringLiteral("Korvana Copy Program: by %1, %2").arg(Author::name, Author::country));

    click(label10);

    QCOMPARE(f.launcher.webPages, QStringList{Author::synthesizerSiteUrl});
}

void TestCommands::aboutWindowIsOneInstance()
{
    WindowFixture f;
    f.window.show();
    aboutThisProgram(f.window)->trigger();
    QPointer<frmAbout> about = f.window.aboutWindow();
    QVERIFY(about && about->isVisible());
    about->move(about->pos() + QPoint(37, 23));
    const QPoint moved = about->pos();

    aboutThisProgram(f.window)->trigger();

    QCOMPARE(f.window.aboutWindow(), about.data());
    QCOMPARE(about->pos(), moved);
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.begin(), windows.end(), [](QWidget *w) { return qobject_cast<frmAbout *>(w); }), 1);
    QVERIFY(f.window.isEnabled());
}

void TestCommands::aboutWindowLoadsAfreshAfterClose()
{
    WindowFixture f;
    aboutThisProgram(f.window)->trigger();
    QPointer<frmAbout> first = f.window.aboutWindow();
    const QPoint centred = first->pos();
    first->move(centred + QPoint(50, 50));

    click(first->findChild<QPushButton *>("cmdClose"));
    QTRY_VERIFY(!first);
    aboutThisProgram(f.window)->trigger();

    QVERIFY(f.window.aboutWindow() && f.window.aboutWindow()->isVisible());
    QCOMPARE(f.window.aboutWindow()->pos(), centred);
}

void TestCommands::aboutWindowAndItsLinksByKeyboard_data()
{
    QTest::addColumn<QKeySequence>("opening");
    QTest::addColumn<QKeySequence>("following"); // a link
    QTest::newRow("F10, Return; Return") << QKeySequence(Qt::Key_F10, Qt::Key_Return) << QKeySequence(Qt::Key_Return);
    QTest::newRow("Alt, Return; space bar") << QKeySequence(Qt::Key_Alt, Qt::Key_Return) << QKeySequence(Qt::Key_Space);
    QTest::newRow("access key; keypad Enter") << QKeySequence(Qt::ALT | Qt::Key_A)
                                              << QKeySequence(Qt::KeypadModifier | Qt::Key_Enter);
}

// The menu bar's entry opens the about window by keyboard, in which Tab reaches each link
// after the button, and a key follows it.
void TestCommands::aboutWindowAndItsLinksByKeyboard()
{
    QFETCH(QKeySequence, opening);
    QFETCH(QKeySequence, following);
    WindowFixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    for (int i = 0; i < opening.count(); ++i)
        QTest::keyClick(f.window.windowHandle(), opening[i].key(), opening[i].keyboardModifiers());
    frmAbout *about = f.window.aboutWindow();
    QVERIFY(about && QTest::qWaitForWindowActive(about));

    for (const char *link : {"Label1", "Label2", "cmdClose"}) {
        QTest::keyClick(about->windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(link));
        if (QApplication::focusWidget()->inherits("QLabel"))
            QTest::keyClick(about->windowHandle(), following[0].key(), following[0].keyboardModifiers());
    }
    QCOMPARE(f.launcher.webPages, (QStringList{Author::webPageUrl, Author::exchangeSiteUrl}));
}

void TestCommands::farewellEndsTheProgram()
{
    WindowFixture f;
    f.window.show();
    aboutThisProgram(f.window)->trigger();
    QPointer<frmAbout> about = f.window.aboutWindow();

    QVERIFY(f.window.close());

    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.messages.shown[0].prompt,
             QStringLiteral("You can exchange styles with me..\nI can convert files for you\n%1, %2\n%3   ;  %4")
                 .arg(Author::name, Author::country, Author::email, Author::exchangeSite));
    QCOMPARE(f.messages.shown[0].prompt.count('\n'), 3);
    QCOMPARE(f.messages.shown[0].style, 64);
    QCOMPARE(f.messages.shown[0].title, QStringLiteral("Dont't forget:"));
    QVERIFY(!about);
}

void TestCommands::launchFailureIsReported()
{
    WindowFixture f;
    f.launcher.failing = true;
    click(f.window.findChild<QPushButton *>("Command4"));
    f.window.Help_Click();
    f.window.aboutWindow()->Label2_Click();
    QCOMPARE(f.messages.shown.size(), 2);
    QCOMPARE(f.messages.shown[0].prompt, "Unexpected failure: No file manager could be started for the home folder.");
    QCOMPARE(f.messages.shown[0].style, 16);
    QVERIFY(f.messages.shown[1].prompt.startsWith("Unexpected failure: No web browser could be started for "));
}

// Asked for when the pointer comes near, on a worker: the window goes on answering a
// slow drive meanwhile, and both buttons say what drive A is once it has answered;
// "Copy to A:\" also says what the groups as they were then would take.
void TestCommands::driveButtonsSayWhatDriveAIsWhenAsked()
{
    WindowFixture f;
    f.window.show();
    QCOMPARE(f.driveALookups, 0);
    f.driveA = QStringLiteral("floppy image DSKA0003.IMG, 1.44 MB, 0 KB free");
    f.driveAAnswersAfterMs = 2000;
    auto *copy = f.window.findChild<QPushButton *>("CmdStartCopy");
    auto *format = f.window.findChild<QPushButton *>("Command3");
    put(f.window, 4, {"/s/01A.sty"});
    QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), copy->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(copy, &tip);

    QElapsedTimer answered;
    answered.start();
    click(f.window.findChild<QPushButton *>("Command2"));
    QCOMPARE(f.window.groupList(4)->ListCount(), 0);
    QVERIFY(answered.elapsed() < 1000);

    const QString copyText = "Drive A: " + f.driveA + ". This run: 04A.sty";
    QTRY_COMPARE_WITH_TIMEOUT(copy->toolTip(), copyText, 10000);
    QCOMPARE(copy->accessibleDescription(), copyText);
    QCOMPARE(format->toolTip(), "Drive A: " + f.driveA);
    QCOMPARE(format->accessibleDescription(), "Drive A: " + f.driveA);
    QCOMPARE(f.driveALookups, 1);
}

void TestCommands::sessionEndClosesWithoutFarewell()
{
    WindowFixture f;
    f.window.show();
    aboutThisProgram(f.window)->trigger();
    QPointer<frmAbout> about = f.window.aboutWindow();

    // At logout the window system asks the application itself to quit, as this event does.
    QEvent quit(QEvent::Quit);
    QSpontaneKeyEvent::setSpontaneous(&quit);
    QCoreApplication::instance()->notify(QCoreApplication::instance(), &quit);

    QVERIFY(!f.window.isVisible());
    QVERIFY(!about);
    QVERIFY(f.messages.shown.isEmpty());
}

int main(int argc, char *argv[])
{
    DuplivaApplication app(argc, argv);
    TestCommands test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_commands.moc"
