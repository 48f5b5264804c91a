#include "author.h"
#include "fakelauncher.h"
#include "frameextents.h"
#include "frmabout.h"
#include "userinput.h"

#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void titleNamesTheAuthor();
    void geometry_data();
    void geometry();
    void windowIsFixedWithCloseBoxOnly();
    void iconIsSmallAndFewColoured();
    void looks_data();
    void looks();
    void firstThreeInstructionsAreCentred();
    void label10IsDrawnAboveLabel9();
    void closeHasTheFocusFirst();
    void closing_data();
    void closing();
    void centredTopLeft_data();
    void centredTopLeft();
    void showingCentresTheOuterFrame();
    void showingAgainWhileOpenDoesNotMove();
    void showingAfterCloseCentresAgain();
    void centresOnTheFrameTheWindowManagerStates_data();
    void centresOnTheFrameTheWindowManagerStates();
    void linksOpenTheirAddresses_data();
    void linksOpenTheirAddresses();
    void rightClickOnALinkOpensNothing();
    void launchFailureReachesTheCaller();
    void announcedAsADialog();

private:
    static QLabel *label(const frmAbout &window, const char *name);
    static QList<QLabel *> labels(const frmAbout &window, QStringList names);
    static QRect screenArea(const frmAbout &window) { return window.screen()->geometry(); }
};

QLabel *TestAbout::label(const frmAbout &window, const char *name)
{
    auto *found = window.findChild<QLabel *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no label %s", name);
    return found;
}

QList<QLabel *> TestAbout::labels(const frmAbout &window, QStringList names)
{
    QList<QLabel *> found;
    for (const QString &name : names)
        found.append(label(window, name.toLatin1().constData()));
    return found;
}

const QStringList instructionNames = {"Label6", "Label7", "Label8", "Label3", "Label4", "Label12",
                                      "Label13", "Label5", "Label14", "Label15", "Label16"};
const QStringList personalNames = {"Label9", "Label10", "Label11_0", "Label11_1", "Label11_2", "Label11_3"};

void TestAbout::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    const QString email = QString::fromUtf8(Author::email);
    QTest::newRow("Label6") << "Label6"
                            << "When you have a lot of styles on your harddisk and they start with the same";
    QTest::newRow("Label7") << "Label7"
                            << "number: \"01Samba\" ; \"01Walz\" ; \"01Rock\"  you will encounter a problem";
    QTest::newRow("Label8") << "Label8"
                            << "when reading those files in the Korvana Keyboard: it only sees one style......";
    QTest::newRow("Label3") << "Label3"
                            << "Drag and drop Korvana Styles with the Windows Explorer to the \"groups\",";
    QTest::newRow("Label4") << "Label4"
                            << "Each group can contain 1 style ! \"Group 01\" makes a style on disk starting with \"01\"";
    QTest::newRow("Label12") << "Label12"
                             << "After dragging styles to the \"group-window\" you'll see that the font is red.";
    QTest::newRow("Label13") << "Label13"
                             << "When the complete group has been copied, the  Groupbox turns to green.";
    QTest::newRow("Label5") << "Label5"
                            << "Of course you always get an error that \"the disk is full\", don't worry.....";
    QTest::newRow("Label14") << "Label14"
                             << "Insert a new disk. Format it if necessary. Choose \"Empty GREEN groups only\"";
    QTest::newRow("Label15") << "Label15"
                             << "and click  on \"Copy to A:\\\" again. Then clear everything with \"Empty ALL\" and";
    QTest::newRow("Label16") << "Label16"
                             << "start all over again with  dragging styles to \"Group01\", \"Group02\".";
    QTest::newRow("Label9") << "Label9" << "";
    QTest::newRow("Label10") << "Label10" << "I hope it makes your life easier.";
    QTest::newRow("Label11_0") << "Label11_0"
                               << "If you think this program is usefull, the only thing I ask is:";
    QTest::newRow("Label11_1") << "Label11_1" << "Send some good styles to: styles@example.org ";
    QTest::newRow("Label11_2") << "Label11_2" << "I've a Korvana KA-880, but I can convert a lot so.....";
    QTest::newRow("Label11_3") << "Label11_3" << "Make me happy...";
    QTest::newRow("Label1") << "Label1" << email;
    QTest::newRow("Label2") << "Label2" << QString::fromUtf8(Author::webPage);
}

void TestAbout::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    FakeLauncher launcher;
    frmAbout window(launcher);

    QLabel *shown = label(window, name.toLatin1().constData());
    QCOMPARE(shown->text(), text);
    QCOMPARE(shown->textFormat(), Qt::PlainText);
}

void TestAbout::titleNamesTheAuthor()
{
    FakeLauncher launcher;
    frmAbout window(launcher);

    QCOMPARE(window.windowTitle(), QString("KORVANA copy 01-10  by Ferdinand Floppe"));
    QCOMPARE(window.findChild<QPushButton *>("cmdClose")->text(), QString("&Close"));
}

void TestAbout::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("pixels");

    QTest::newRow("Frame2") << "Frame2" << "frmAbout" << QRect(3, 9, 550, 241);
    QTest::newRow("Frame1") << "Frame1" << "frmAbout" << QRect(3, 252, 550, 109);
    QTest::newRow("cmdClose") << "cmdClose" << "frmAbout" << QRect(471, 372, 81, 25);
    QTest::newRow("Label1") << "Label1" << "frmAbout" << QRect(3, 363, 272, 17);
    QTest::newRow("Label2") << "Label2" << "frmAbout" << QRect(3, 384, 273, 17);
    QTest::newRow("Label6") << "Label6" << "Frame2" << QRect(6, 21, 533, 16);
    QTest::newRow("Line1") << "Line1" << "Frame2" << QRect(9, 78, 531, 1);
    QTest::newRow("Label16") << "Label16" << "Frame2" << QRect(6, 216, 538, 16);
    QTest::newRow("Label9") << "Label9" << "Frame1" << QRect(6, 12, 466, 16);
    QTest::newRow("Label10") << "Label10" << "Frame1" << QRect(219, 12, 256, 16);
    QTest::newRow("Label11_0") << "Label11_0" << "Frame1" << QRect(6, 30, 463, 16);
    QTest::newRow("Label11_3") << "Label11_3" << "Frame1" << QRect(6, 84, 469, 16);
}

void TestAbout::geometry()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, pixels);
    FakeLauncher launcher;
    frmAbout window(launcher);

    auto *control = window.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget()->objectName(), container);
    QCOMPARE(control->geometry(), pixels);
}

void TestAbout::windowIsFixedWithCloseBoxOnly()
{
    FakeLauncher launcher;
    frmAbout window(launcher);

    QCOMPARE(window.minimumSize(), QSize(561, 404));
    QCOMPARE(window.maximumSize(), QSize(561, 404));
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
}

void TestAbout::iconIsSmallAndFewColoured()
{
    FakeLauncher launcher;
    frmAbout window(launcher);
    QVERIFY(window.windowIcon().availableSizes().contains(QSize(32, 32)));

    const QImage icon(":/about/about-icon.png");
    QCOMPARE(icon.size(), QSize(32, 32));
    QCOMPARE(icon.format(), QImage::Format_Indexed8);
    QVERIFY(icon.colorCount() <= 16);
}

void TestAbout::looks_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<int>("weight");
    QTest::addColumn<bool>("underlined");

    const QColor navy(0, 0, 128);
    QTest::newRow("instructions") << instructionNames << navy << 9.75 << int(QFont::Normal) << false;
    QTest::newRow("personal lines") << personalNames << navy << 9.75 << int(QFont::Bold) << false;
    QTest::newRow("links") << QStringList{"Label1", "Label2"} << QColor(0, 0, 255) << 8.25 << int(QFont::Normal)
                           << true;
}

void TestAbout::looks()
{
    QFETCH(QStringList, names);
    QFETCH(QColor, colour);
    QFETCH(qreal, points);
    QFETCH(int, weight);
    QFETCH(bool, underlined);
    FakeLauncher launcher;
    frmAbout window(launcher);

    for (QLabel *line : labels(window, names)) {
        QCOMPARE(line->palette().color(QPalette::WindowText), colour);
        QCOMPARE(line->font().family(), QString("MS Sans Serif"));
        QCOMPARE(line->font().pointSizeF(), points);
        QCOMPARE(int(line->font().weight()), weight);
        QCOMPARE(line->font().underline(), underlined);
    }
    // The button keeps the window's default font.
    QCOMPARE(window.findChild<QPushButton *>("cmdClose")->font(), window.font());
}

void TestAbout::firstThreeInstructionsAreCentred()
{
    FakeLauncher launcher;
    frmAbout window(launcher);

    for (QLabel *line : labels(window, instructionNames)) {
        const bool centred = QStringList{"Label6", "Label7", "Label8"}.contains(line->objectName());
        QCOMPARE(line->alignment() & Qt::AlignHorizontal_Mask,
                 Qt::Alignment(centred ? Qt::AlignHCenter : Qt::AlignLeft));
    }
}

void TestAbout::label10IsDrawnAboveLabel9()
{
    FakeLauncher launcher;
    frmAbout window(launcher);
    auto *frame1 = window.findChild<QFrame *>("Frame1");

    QCOMPARE(frame1->childAt(QPoint(230, 18)), label(window, "Label10"));
    QCOMPARE(frame1->childAt(QPoint(100, 18)), label(window, "Label9"));
}

// Besides the button only the links take the focus, and those by Tab alone.
void TestAbout::closeHasTheFocusFirst()
{
    FakeLauncher launcher;
    frmAbout window(launcher);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    auto *cmdClose = window.findChild<QPushButton *>("cmdClose");
    QCOMPARE(QApplication::focusWidget(), cmdClose);
    for (QWidget *child : window.findChildren<QWidget *>()) {
        const Qt::FocusPolicy link = child->inherits("ClickableLabel") ? Qt::TabFocus : Qt::NoFocus;
        QCOMPARE(child->focusPolicy(), child == cmdClose ? Qt::StrongFocus : link);
    }
}

void TestAbout::closing_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    QTest::newRow("space bar") << int(Qt::Key_Space);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("mouse click") << 0;
}

void TestAbout::closing()
{
    QFETCH(int, key);
    FakeLauncher launcher;
    frmAbout window(launcher);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    if (key) // keys go to whatever has the focus
        QTest::keyClick(window.windowHandle(), Qt::Key(key));
    else
        clickThroughWindow(window.findChild<QPushButton *>("cmdClose"));
    QVERIFY(!window.isVisible());
    QVERIFY(launcher.webPages.isEmpty());
}

void TestAbout::centredTopLeft_data()
{
    QTest::addColumn<QSizeF>("screen");
    QTest::addColumn<QSizeF>("window");
    QTest::addColumn<QPointF>("topLeft");

    QTest::newRow("smaller") << QSizeF(1024, 768) << QSizeF(565, 432) << QPointF(229.5, 168);
    QTest::newRow("same size") << QSizeF(800, 600) << QSizeF(800, 600) << QPointF(0, 0);
    QTest::newRow("larger") << QSizeF(800, 600) << QSizeF(1000, 700) << QPointF(-100, -50);
    QTest::newRow("wider only") << QSizeF(500, 768) << QSizeF(565, 432) << QPointF(-32.5, 168);
    QTest::newRow("in twips") << QSizeF(15360, 11520) << QSizeF(8535, 6480) << QPointF(3412.5, 2520);
}

void TestAbout::centredTopLeft()
{
    QFETCH(QSizeF, screen);
    QFETCH(QSizeF, window);
    QFETCH(QPointF, topLeft);

    const QPointF result = ::centredTopLeft(screen, window);
    QCOMPARE(result, topLeft);
    // The margins on both sides are equal, negative when the window overhangs.
    QCOMPARE(screen.width() - (result.x() + window.width()), result.x());
    QCOMPARE(screen.height() - (result.y() + window.height()), result.y());
}

void TestAbout::showingCentresTheOuterFrame()
{
    FakeLauncher launcher;
    frmAbout window(launcher);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QRect outer = window.frameGeometry();
    const QRect screen = screenArea(window);
    QVERIFY(outer.size() != window.size()); // the title bar and border count
    QVERIFY(qAbs((outer.left() - screen.left()) - (screen.right() - outer.right())) <= 1);
    QVERIFY(qAbs((outer.top() - screen.top()) - (screen.bottom() - outer.bottom())) <= 1);
}

void TestAbout::showingAgainWhileOpenDoesNotMove()
{
    FakeLauncher launcher;
    frmAbout window(launcher);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    window.move(10, 20);
    window.show();
    window.raise();
    window.activateWindow();
    QCOMPARE(window.pos(), QPoint(10, 20));
}

void TestAbout::showingAfterCloseCentresAgain()
{
    FakeLauncher launcher;
    frmAbout window(launcher);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint centred = window.pos();

    window.move(10, 20);
    window.cmdClose_Click();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.pos(), centred);
}

// The window manager states its frame only after the window is on the screen: the window
// centres that frame, once per load, and stays where the user puts it afterwards.
void TestAbout::centresOnTheFrameTheWindowManagerStates_data()
{
    QTest::addColumn<QMargins>("frame");
    QTest::newRow("thin border, title bar") << QMargins(1, 20, 1, 1);
    QTest::newRow("wide border, tall title bar") << QMargins(5, 37, 5, 5);
    QTest::newRow("no frame at all") << QMargins();
}

void TestAbout::centresOnTheFrameTheWindowManagerStates()
{
    QFETCH(QMargins, frame);
    FakeLauncher launcher;
    frmAbout window(launcher);
    auto *windowManager = window.findChild<FrameExtentsWatcher *>();
    QVERIFY(windowManager);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    emit windowManager->frameStated(frame);
    const QRect outer = window.geometry().marginsAdded(frame);
    const QRect screen = screenArea(window);
    QVERIFY(qAbs((outer.left() - screen.left()) - (screen.right() - outer.right())) <= 1);
    QVERIFY(qAbs((outer.top() - screen.top()) - (screen.bottom() - outer.bottom())) <= 1);

    window.move(10, 20);
    const QRect moved = window.geometry();
    emit windowManager->frameStated(frame);
    QCOMPARE(window.geometry(), moved);
}

void TestAbout::linksOpenTheirAddresses_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("address");

    // Each line opens another address than the one it shows.
    QTest::newRow("e-mail line") << "Label1" << "https://www.example.org/korvana";
    QTest::newRow("web page line") << "Label2" << "https://www.example.net/korvana-styles";
}

void TestAbout::linksOpenTheirAddresses()
{
    QFETCH(QString, link);
    QFETCH(QString, address);
    FakeLauncher launcher;
    frmAbout window(launcher);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(label(window, link.toLatin1().constData()), Qt::LeftButton);
    QCOMPARE(launcher.webPages, QStringList{address});
    QVERIFY(window.isVisible());
}

void TestAbout::rightClickOnALinkOpensNothing()
{
    FakeLauncher launcher;
    frmAbout window(launcher);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(label(window, "Label1"), Qt::RightButton);
    QTest::mouseClick(label(window, "Label10"), Qt::LeftButton);
    QVERIFY(launcher.webPages.isEmpty());
}

void TestAbout::launchFailureReachesTheCaller()
{
    FakeLauncher launcher;
    launcher.failing = true;
    frmAbout window(launcher);

    QSignalSpy failures(&window, &frmAbout::launchFailed);

    window.Label1_Click();
    window.Label2_Click();

    QCOMPARE(failures.size(), 2);
    QVERIFY(failures[1][0].toString().startsWith("No web browser could be started for "));
}

void TestAbout::announcedAsADialog()
{
    FakeLauncher launcher;
    frmAbout window(launcher);

    QAccessibleInterface *announced = QAccessible::queryAccessibleInterface(&window);
    QCOMPARE(announced->role(), QAccessible::Dialog);
    QCOMPARE(announced->text(QAccessible::Name), window.windowTitle());
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
