#include "desktopformatdialog.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>


class TestFormatDialog : public QObject {
    Q_OBJECT

private slots:
    void whatTheDriveIs();
    void folderCannotBeFormatted();
    void unsetDriveHasNothingToFormat();
    void closingReportsNotPossible_data();
    void closingReportsNotPossible();

private:
    QTemporaryDir folder;
    QString nativeFolder() const { return QDir::toNativeSeparators(folder.path()); }
};

template<typename Widget>
Widget *child(const QWidget &parent, const char *name)
{
    auto *found = parent.findChild<Widget *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

void TestFormatDialog::whatTheDriveIs()
{
    const DesktopFormatDialog withFolder(folder.path());
    QCOMPARE(withFolder.target(0).kind, FormatTarget::Folder);
    QCOMPARE(withFolder.target(0).folder, folder.path());
    QCOMPARE(withFolder.target(1).kind, FormatTarget::NotSetUp); // only drive A is a folder

    const DesktopFormatDialog unset({});
    QCOMPARE(unset.target(0).kind, FormatTarget::NotSetUp);
}

void TestFormatDialog::folderCannotBeFormatted()
{
    const auto dialog = DesktopFormatDialog::createDialog(nullptr, DesktopFormatDialog(folder.path()).target(0));

    QCOMPARE(dialog->windowTitle(), QString("Format A:"));
    QVERIFY(child<QLabel>(*dialog, "driveValue")->text().contains(nativeFolder()));
    const QString status = child<QLabel>(*dialog, "statusLabel")->text();
    QVERIFY2(status.contains(nativeFolder()) && status.contains("cannot be formatted"), qPrintable(status));
    QVERIFY(!child<QLabel>(*dialog, "warningLabel")->text().isEmpty());
    QVERIFY(!child<QPushButton>(*dialog, "startButton")->isEnabled());
    QVERIFY(!child<QWidget>(*dialog, "formatSettings")->isEnabled());
    QVERIFY(child<QPushButton>(*dialog, "closeButton")->isDefault());
}

void TestFormatDialog::unsetDriveHasNothingToFormat()
{
    const auto dialog = DesktopFormatDialog::createDialog(nullptr, DesktopFormatDialog({}).target(0));

    QVERIFY(child<QLabel>(*dialog, "driveValue")->text().contains("not set up"));
    const QString status = child<QLabel>(*dialog, "statusLabel")->text();
    QVERIFY2(status.contains("A:") && status.contains("nothing to format"), qPrintable(status));
    QVERIFY(!child<QPushButton>(*dialog, "startButton")->isEnabled());
}

void TestFormatDialog::closingReportsNotPossible_data()
{
    QTest::addColumn<bool>("withFolder");
    QTest::addColumn<bool>("byEscape");

    QTest::newRow("folder, Close button") << true << false;
    QTest::newRow("folder, Escape") << true << true;
    QTest::newRow("not set up, Close button") << false << false;
}

void TestFormatDialog::closingReportsNotPossible()
{
    QFETCH(bool, withFolder);
    QFETCH(bool, byEscape);
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    bool sawModalDialog = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return; // the test then fails on sawModalDialog, after the dialog closes by itself
        sawModalDialog = dialog->parentWidget() == &owner;
        if (byEscape)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(child<QPushButton>(*dialog, "closeButton"), Qt::LeftButton);
    });
    // Should the click above go wrong, this closes the dialog so that the test cannot hang.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    guard.start(5000);

    DesktopFormatDialog formatDialog(withFolder ? folder.path() : QString());
    QCOMPARE(formatDialog.SHFormatDrive(&owner, 0, 0xFFFF, 0), int(FormatNotPossible));
    QVERIFY(sawModalDialog);
    QVERIFY(owner.findChildren<QDialog *>().isEmpty()); // nothing left behind
}

QTEST_MAIN(TestFormatDialog)
#include "test_formatdialog.moc"
