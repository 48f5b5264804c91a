#include "application.h"
#include "desktopmessageboxes.h"
#include "userinput.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
    bool arrowCursor = false;
};

// Shows a box and answers it with OK as soon as it is open, noting what it showed.
SeenBox showAndAnswer(const QString &prompt, int style, const QString &title)
{
    SeenBox seen;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen = {box->windowTitle(), box->text(), box->icon(), box->textFormat(),
                QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::ArrowCursor};
        box->button(QMessageBox::Ok)->click();
    });
    DesktopMessageBoxes messages;
    messages.MsgBox(prompt, style, title);
    return seen;
}

} // namespace

class TestMessageBoxes : public QObject {
    Q_OBJECT
private slots:
    void styleSelectsTheIcon_data();
    void styleSelectsTheIcon();
    void boxWithoutTitleShowsTheApplicationTitle();
    void boxShowsTheOrdinaryPointerDuringABusyRun();
    void questionTakesARealAnswer_data();
    void questionTakesARealAnswer();
};

void TestMessageBoxes::styleSelectsTheIcon_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::newRow("none") << 0 << QMessageBox::NoIcon;
    QTest::newRow("stop") << 16 << QMessageBox::Critical;
    QTest::newRow("information") << 64 << QMessageBox::Information;
}

void TestMessageBoxes::styleSelectsTheIcon()
{
    QFETCH(int, style);
    QFETCH(QMessageBox::Icon, icon);
    const SeenBox seen = showAndAnswer("       READY !", style, "The end is near...");
    QCOMPARE(seen.icon, icon);
    QCOMPARE(seen.text, QStringLiteral("       READY !"));
    QCOMPARE(seen.format, Qt::PlainText);
    QCOMPARE(seen.title, QStringLiteral("The end is near..."));
}

void TestMessageBoxes::boxWithoutTitleShowsTheApplicationTitle()
{
    QCOMPARE(showAndAnswer("Something went wrong", 0, {}).title, QStringLiteral("Dupliva"));
}

void TestMessageBoxes::boxShowsTheOrdinaryPointerDuringABusyRun()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SeenBox seen = showAndAnswer("DISK FULL: INSERT NEW DISK !", 16, "I wish I had a harddisk in my korvana !");
    QVERIFY(seen.arrowCursor);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
}

void TestMessageBoxes::questionTakesARealAnswer_data()
{
    QTest::addColumn<int>("key"); // 0: a click on Erase
    QTest::addColumn<bool>("yes");
    QTest::newRow("click on Erase") << 0 << true;
    QTest::newRow("Return: Cancel is the default") << int(Qt::Key_Return) << false;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
}

void TestMessageBoxes::questionTakesARealAnswer()
{
    QFETCH(int, key);
    QFETCH(bool, yes);
    QWidget owner;
    owner.show();
    bool answered = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->parentWidget(), &owner);
        QCOMPARE(box->buttons().size(), 2); // the verb, and Cancel
        QAbstractButton *erase = box->buttons().first()->text() == "&Erase" ? box->buttons().first() : box->buttons().last();
        QCOMPARE(erase->text(), "&Erase");
        if (key == 0)
            clickThroughWindow(erase);
        answered = key == 0 ? !box->isVisible() : answerThroughWindow(box, key, QMessageBox::NoButton);
    });
    DesktopMessageBoxes messages;
    QCOMPARE(messages.Confirm(&owner, "All files on drive A will be erased.", "Format A:", "&Erase"), yes);
    QVERIFY(answered);
}

int main(int argc, char *argv[])
{
    DuplivaApplication app(argc, argv);
    TestMessageBoxes test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_messageboxes.moc"
