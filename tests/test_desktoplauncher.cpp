#include "desktoplauncher.h"
#include "failure.h"

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

    launcher.openWebPage("https://www.example.org/korvana");
    QCOMPARE(recorder.opened, QList<QUrl>{QUrl("https://www.example.org/korvana")});
}

void TestDesktopLauncher::homeFolderIsOpenedOnEveryCall()
{
    QDesktopServices::setUrlHandler("file", &recorder, "open");
    DesktopLauncher launcher;

    launcher.openHomeFolder();
    launcher.openHomeFolder();
    const QUrl home = QUrl::fromLocalFile(QDir::homePath());
    QCOMPARE(recorder.opened, (QList<QUrl>{home, home}));
}

void TestDesktopLauncher::invalidAddressIsAFailureThatNamesIt()
{
    DesktopLauncher launcher;
    try {
        launcher.openWebPage("https://[broken");
        QFAIL("an address that is no URL was opened");
    } catch (const UnexpectedFailure &failure) {
        QCOMPARE(QString::fromUtf8(failure.what()), QString("No web browser could be started for https://[broken."));
    }
}

void TestDesktopLauncher::homeFolderFailureNamesTheFolder()
{
    // A handler that cannot be called makes the desktop report that nothing was opened.
    QDesktopServices::setUrlHandler("file", &recorder, "missing");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such method"));
    DesktopLauncher launcher;
    try {
        launcher.openHomeFolder();
        QFAIL("the home folder was reported open");
    } catch (const UnexpectedFailure &failure) {
        QVERIFY2(QString::fromUtf8(failure.what()).contains(QDir::toNativeSeparators(QDir::homePath())),
                 failure.what());
    }
}

QTEST_MAIN(TestDesktopLauncher)
#include "test_desktoplauncher.moc"
