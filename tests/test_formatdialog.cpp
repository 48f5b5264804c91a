#include "desktopformatdialog.h"
#include "driveaformat.h"
#include "fakes.h"
#include "userinput.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {

// A drive A that can be formatted, and records what it was asked to do in calls, which
// outlive it.
class FakeFloppy : public DriveAFormat {
public:
    FakeFloppy(QStringList &calls, QString next, QString failure)
        : next(std::move(next))
        , failure(std::move(failure))
        , calls(calls)
    {
    }

    QString description() const override { return shown; }
    QString whyNotPossible() const override { return {}; }
    QString nextImageName() const override { return next; }
    QString whyNoNextImage() const override { return noNext; }
    CopyOutcome erase(const QString &label) override
    {
        calls.append("erase " + label);
        return {failure.isEmpty() ? NoFailure : OtherFailure, failure};
    }
    CopyOutcome createNextImage(const QString &label) override
    {
        calls.append("next " + label);
        shown = "floppy image " + next;
        next = "after " + next;
        return {failure.isEmpty() ? NoFailure : OtherFailure, failure};
    }

    QString shown = "floppy image DSKA0003.IMG, 1.44 MB";
    QString next;
    QString noNext;
    QString failure;
    QStringList &calls;
};

// A drive that takes its time to say what it is.
class SlowFloppy : public FakeFloppy {
public:
    SlowFloppy(QStringList &calls, std::atomic_bool &lookEnded) : FakeFloppy(calls, {}, {}), lookEnded(lookEnded) {}
    QString description() const override
    {
        QThread::msleep(300);
        lookEnded = true;
        return shown;
    }
    std::atomic_bool &lookEnded;
};

template<typename Widget>
Widget *child(const QWidget &parent, const char *name)
{
    auto *found = parent.findChild<Widget *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

// Waits until the dialog has done its work on drive A, if any, and looked at it.
void waitForDriveA(QDialog &dialog)
{
    QTRY_VERIFY(child<QPushButton>(dialog, "closeButton")->isEnabled());
    QTRY_VERIFY(child<QLabel>(dialog, "driveValue")->text() != "Looking at drive A...");
}

void pressStart(QDialog &dialog)
{
    child<QPushButton>(dialog, "startButton")->click();
    waitForDriveA(dialog);
}

// Runs SHFormatDrive with the dialog driven by act, and closes it at the end.
int runDialog(DesktopFormatDialog &formatDialog, unsigned drive, const std::function<void(QDialog &)> &act)
{
    QWidget owner;
    owner.show();
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        waitForDriveA(*dialog);
        act(*dialog);
        QTest::mouseClick(child<QPushButton>(*dialog, "closeButton"), Qt::LeftButton);
    });
    QTimer guard; // should the close above go wrong, the test cannot hang
    guard.callOnTimeout([] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    guard.start(5000);
    const int result = formatDialog.SHFormatDrive(&owner, drive, 0, 0);
    if (!owner.findChildren<QDialog *>().isEmpty())
        return -100; // something was left behind
    return result;
}

} // namespace

class TestFormatDialog : public QObject {
    Q_OBJECT

private slots:
    void unformattableDriveIsRefused_data();
    void unformattableDriveIsRefused();
    void erasingAsksFirst_data();
    void erasingAsksFirst();
    void nextImageNeedsNoQuestion();
    void noNextImageIsSaid();
    void volumeLabels_data();
    void volumeLabels();
    void closingDuringTheLook();
    void diskIsShownAndKept_data();
    void diskIsShownAndKept();
};

void TestFormatDialog::unformattableDriveIsRefused_data()
{
    QTest::addColumn<unsigned>("drive");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder") << 0u << "A folder cannot be formatted.";
    QTest::newRow("drive B") << 1u << "Only drive A can be formatted here.";
}

void TestFormatDialog::unformattableDriveIsRefused()
{
    QFETCH(unsigned, drive);
    QFETCH(QString, reason);
    FakeMessageBoxes messages;
    DesktopFormatDialog formatDialog([] { return std::make_unique<UnformattableDriveA>("the folder /tmp/a", "A folder cannot be formatted."); }, messages);
    QString status;
    bool startEnabled = true;

    const int result = runDialog(formatDialog, drive, [&](QDialog &dialog) {
        status = child<QLabel>(dialog, "statusLabel")->text();
        startEnabled = child<QPushButton>(dialog, "startButton")->isEnabled();
    });

    QCOMPARE(result, int(FormatNotPossible));
    QCOMPARE(status, reason);
    QVERIFY(!startEnabled);
}

void TestFormatDialog::erasingAsksFirst_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<int>("result");
    QTest::newRow("no") << "No" << "" << QStringList() << int(FormatCancelled);
    QTest::newRow("yes") << "Yes" << "" << QStringList{"erase STYLES1"} << 0;
    QTest::newRow("yes, but it fails") << "Yes" << "Not authorized" << QStringList{"erase STYLES1"} << int(FormatError);
}

void TestFormatDialog::erasingAsksFirst()
{
    QFETCH(QString, answer);
    QFETCH(QString, failure);
    QFETCH(QStringList, calls);
    QFETCH(int, result);
    QStringList seen;
    FakeMessageBoxes messages;
    messages.answers = {answer == "Yes"};
    DesktopFormatDialog formatDialog([&] { return std::make_unique<FakeFloppy>(seen, QString(), failure); }, messages);
    QString status;

    const int outcome = runDialog(formatDialog, 0, [&](QDialog &dialog) {
        QVERIFY(!child<QRadioButton>(dialog, "nextImageChoice")->isVisibleTo(&dialog)); // no number in its name
        QTest::keyClicks(child<QLineEdit>(dialog, "volumeLabelEdit"), "styles:*1");
        pressStart(dialog);
        status = child<QLabel>(dialog, "statusLabel")->text();
    });

    QCOMPARE(messages.questions, QStringList{"All files on drive A will be erased."});
    QCOMPARE(seen, calls);
    QCOMPARE(outcome, result);
    if (!failure.isEmpty())
        QVERIFY2(status.contains(failure), qPrintable(status));
}

// Next image is the first choice, as after a full image, and erases nothing, so the
// warning waits for the erase choice; the focus stays on a control through the work.
void TestFormatDialog::nextImageNeedsNoQuestion()
{
    QStringList seen;
    FakeMessageBoxes messages;
    DesktopFormatDialog formatDialog([&] { return std::make_unique<FakeFloppy>(seen, "DSKA0004.IMG", QString()); }, messages);
    QString choice, driveShown, choiceAfter;
    bool nextFirst = false, warnedForNext = true, warnedForErase = false, focusKept = false;

    const int outcome = runDialog(formatDialog, 0, [&](QDialog &dialog) {
        auto *next = child<QRadioButton>(dialog, "nextImageChoice");
        auto *warning = child<QLabel>(dialog, "warningLabel");
        choice = next->text();
        nextFirst = next->isChecked() && next->nextInFocusChain() == child<QRadioButton>(dialog, "eraseChoice")
            && next->y() < child<QRadioButton>(dialog, "eraseChoice")->y();
        warnedForNext = warning->isVisibleTo(&dialog);
        child<QRadioButton>(dialog, "eraseChoice")->click();
        warnedForErase = warning->isVisibleTo(&dialog);
        next->click();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // Pressed twice quickly, as a double click.
        clickThroughWindow(child<QPushButton>(dialog, "startButton"));
        clickThroughWindow(child<QPushButton>(dialog, "startButton"));
        waitForDriveA(dialog);
        QVERIFY(messages.questions.isEmpty());
        driveShown = child<QLabel>(dialog, "driveValue")->text();
        choiceAfter = next->text();
        focusKept = dialog.focusWidget() && dialog.focusWidget()->isEnabled();
    });

    QVERIFY(nextFirst && !warnedForNext && warnedForErase && focusKept);
    QCOMPARE(choice, QString("&Next image: DSKA0004.IMG"));
    QCOMPARE(seen, QStringList{"next "});
    QCOMPARE(driveShown, QString("floppy image DSKA0004.IMG"));
    QCOMPARE(choiceAfter, QString("&Next image: after DSKA0004.IMG"));
    QCOMPARE(outcome, 0);
}

void TestFormatDialog::noNextImageIsSaid()
{
    QStringList seen;
    FakeMessageBoxes messages;
    DesktopFormatDialog formatDialog([&] {
        auto last = std::make_unique<FakeFloppy>(seen, QString(), QString());
        last->noNext = "No next image after DSKA9999.IMG";
        return last;
    }, messages);
    QRadioButton *next = nullptr, *erase = nullptr;
    runDialog(formatDialog, 0, [&](QDialog &dialog) {
        next = child<QRadioButton>(dialog, "nextImageChoice");
        erase = child<QRadioButton>(dialog, "eraseChoice");
        QVERIFY(next->text() == "No next image after DSKA9999.IMG" && !next->isEnabled() && erase->isChecked());
    });
    QVERIFY(next && erase);
}

void TestFormatDialog::volumeLabels_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // what typing leaves in the field
    QTest::addColumn<bool>("storable"); // as typed, or pasted

    QTest::newRow("small letters") << "my disk 1!" << "MY DISK 1!" << true;
    QTest::newRow("every sign FAT keeps") << "#$%&'()-@^_" << "#$%&'()-@^_" << true;
    QTest::newRow("dot") << "A.B" << "AB" << false;
    QTest::newRow("plus and equals") << "A+B=C" << "ABC" << false;
    QTest::newRow("brackets, comma, semicolon") << "[X],Y;Z" << "XYZ" << false;
    QTest::newRow("umlauts") << "ÄÖÜ" << "" << false;
}

// Typing drops what a floppy would store differently; anything else is refused before
// the erase question.
void TestFormatDialog::volumeLabels()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, storable);
    QStringList seen;
    FakeMessageBoxes messages;
    messages.answers = {true};
    DesktopFormatDialog formatDialog([&] { return std::make_unique<FakeFloppy>(seen, QString(), QString()); }, messages);
    QString inField;

    runDialog(formatDialog, 0, [&](QDialog &dialog) {
        auto *edit = child<QLineEdit>(dialog, "volumeLabelEdit");
        QTest::keyClicks(edit, typed);
        inField = edit->text();
        edit->setText(typed); // as if pasted past the check
        pressStart(dialog);
    });

    QCOMPARE(inField, shown);
    QCOMPARE(messages.questions.size(), storable ? 1 : 0);
    QCOMPARE(seen, storable ? QStringList{"erase " + typed.toUpper()} : QStringList());
}

// The dialog closed while drive A is looked at goes at once; the look ends before what it
// uses goes, as when the main window closes next.
void TestFormatDialog::closingDuringTheLook()
{
    QStringList calls;
    std::atomic_bool lookEnded = false;
    {
        FakeMessageBoxes messages;
        DesktopFormatDialog formatDialog([&] { return std::make_unique<SlowFloppy>(calls, lookEnded); }, messages);
        QWidget owner;
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        QCOMPARE(formatDialog.SHFormatDrive(&owner, 0, 0, 0), int(FormatCancelled));
        QVERIFY(!lookEnded);
    }
    QVERIFY(lookEnded);
}

void TestFormatDialog::diskIsShownAndKept_data()
{
    QTest::addColumn<int>("onlyHere");
    QTest::addColumn<int>("choice"); // in the question that offers a back-up
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("held elsewhere too") << 0 << -2 << QStringList{"erase ", "forget BAND1"};
    QTest::newRow("back up first") << 2 << 0 << QStringList{"back up into /chosen", "erase ", "forget BAND1"};
    QTest::newRow("erase without") << 2 << 1 << QStringList{"erase ", "forget BAND1"};
    QTest::newRow("cancel") << 2 << -1 << QStringList{};
}

// The dialog shows the disk's files with what the catalogue knows, and offers a back-up
// before it erases files that no other disk holds; the erased disk is told to the caller.
void TestFormatDialog::diskIsShownAndKept()
{
    QFETCH(int, onlyHere);
    QFETCH(int, choice);
    QFETCH(QStringList, calls);
    QStringList seen;
    FakeMessageBoxes messages;
    messages.answers = {true};
    messages.choices = {choice};
    const DiskId disk{"1A2B-3C4D", "BAND1", DriveKind::Image, "/media/DSKA0003.IMG"};
    FoundStyle samba{"05SAMBA.STY", 5, disk, "/home/u/Samba.sty", {}};
    DiskCare care{[&] { return DiskLook{disk, 2048, {{"05SAMBA.STY", 7000, {samba}}, {"NOTES.TXT", 12, {}}}, onlyHere, {}}; },
                  [&](const QString &folder, const BackUpProgress &) {
                      seen.append("back up into " + folder);
                      return BackUp{disk, folder + "/BAND1", true, {}, {}, {}};
                  },
                  [&](const DiskId &erased) { seen.append("forget " + erased.label); },
                  [](QWidget *) { return QString("/chosen"); }};
    DesktopFormatDialog formatDialog([&] { return std::make_unique<FakeFloppy>(seen, QString(), QString()); }, messages, care);
    QString summary, firstFile;

    runDialog(formatDialog, 0, [&](QDialog &dialog) {
        summary = child<QLabel>(dialog, "diskValue")->text();
        const QTreeWidgetItem *row = child<QTreeWidget>(dialog, "filesView")->topLevelItem(0);
        firstFile = row->text(0) + " | " + row->text(2);
        child<QPushButton>(dialog, "startButton")->click();
        QTRY_VERIFY(child<QPushButton>(dialog, "closeButton")->isEnabled() && seen.size() >= calls.size());
        waitForDriveA(dialog);
    });

    QCOMPARE(summary, QString("Disk BAND1, serial number 1A2B-3C4D: 2 files, 2.0 kB free"));
    QCOMPARE(firstFile, QString("05SAMBA.STY | Group 05 from /home/u/Samba.sty"));
    QCOMPARE(seen, calls);
    QCOMPARE(formatDialog.erasedDisk().has_value(), calls.contains("forget BAND1"));
    QVERIFY(messages.questions.first().contains(onlyHere ? "2 files on this disk are on no other disk" : "erased."));
}

QTEST_MAIN(TestFormatDialog)
#include "test_formatdialog.moc"
