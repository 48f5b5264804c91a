#include "desktoplauncher.h"

#include <QDesktopServices>
#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

// Stands in for the desktop's browser and file manager: QDesktopServices hands it the URLs
// that it would otherwise give to the desktop.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TestDesktopLauncher : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void webPageIsOpenedAsItsUrl();
    void homeFolderIsOpenedOnEveryCall();
    void invalidAddressIsAFailureThatNamesIt();
    void homeFolderFailureNamesTheFolder();

private:
    UrlRecorder recorder;
};

void TestDesktopLauncher::cleanup()
{
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("file");
    recorder.opened.clear();
}

void TestDesktopLauncher::webPageIsOpenedAsItsUrl()
{
    QDesktopServices::setUrlHandler("https", &recorder, "open");
    DesktopLauncher launcher;

    QCOMPARE(launcher.openWebPage("https://www.example.org/korvana"), QString());
    QCOMPARE(recorder.opened, QList<QUrl>{QUrl("https://www.example.org/korvana")});
}

void TestDesktopLauncher::homeFolderIsOpenedOnEveryCall()
{
    QDesktopServices::setUrlHandler("file", &recorder, "open");
    DesktopLauncher launcher;

    QCOMPARE(launcher.openHomeFolder(), QString());
    QCOMPARE(launcher.openHomeFolder(), QString());
    const QUrl home = QUrl::fromLocalFile(QDir::homePath());
    QCOMPARE(recorder.opened, (QList<QUrl>{home, home}));
}

void TestDesktopLauncher::invalidAddressIsAFailureThatNamesIt()
{
    DesktopLauncher launcher;
    QCOMPARE(launcher.openWebPage("https://[broken"), QString("No web browser could be started for https://[broken."));
}

void TestDesktopLauncher::homeFolderFailureNamesTheFolder()
{
    // A handler that cannot be called makes the desktop report that nothing was opened.
    QDesktopServices::setUrlHandler("file", &recorder, "missing");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such method"));
    DesktopLauncher launcher;
    const QString failure = launcher.openHomeFolder();
    QVERIFY2(failure.contains(QDir::toNativeSeparators(QDir::homePath())), qPrintable(failure));
}

QTEST_MAIN(TestDesktopLauncher)
#include "test_desktoplauncher.moc"
