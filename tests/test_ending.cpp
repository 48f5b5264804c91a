#include "application.h"
#include "grouplistbox.h"
#include "privatefolder.h"
#include "temporaryfiles.h"
#include "terminationsignals.h"
#include "testfiles.h"
#include "userinput.h"
#include "windowfixture.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

class TestEnding : public QObject {
    Q_OBJECT
private slots:
    void nextStartRemovesOnlyLeftoverFolders();
    void signalEndsTheProgramAsALogoutDoes(); // last: the program has ended after it
};

// Only a folder that a killed program recorded goes, a symbolic link in it not followed,
// and not one that a running program holds.
void TestEnding::nextStartRemovesOnlyLeftoverFolders()
{
    const QTemporaryDir work;
    const QByteArray testsTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", work.path().toLocal8Bit());
    const QString temp = QDir::tempPath();
    QVERIFY(QDir(temp).mkpath("dupliva-left/inner") && QDir(temp).mkpath("dupliva-mine"));
    writeFile(temp + "/dupliva-mine/01A.sty", "kept");
    QVERIFY(QFile::link(temp + "/dupliva-mine", temp + "/dupliva-left/inner/link"));
    TemporaryFiles::record(temp, "dupliva-left");
    {
        const PrivateFolder inUse;
        removeLeftoverPrivateFolders();
        QVERIFY(QFileInfo(inUse.path()).isDir());
    }

    QCOMPARE(QDir(temp).entryList({"dupliva-*"}, QDir::AllEntries | QDir::System), QStringList{"dupliva-mine"});
    QVERIFY(QFileInfo::exists(temp + "/dupliva-mine/01A.sty"));
    qputenv("TMPDIR", testsTemp);
}

// A SIGTERM during a run stops it before its next style and ends the program without a
// message box.
void TestEnding::signalEndsTheProgramAsALogoutDoes()
{
    WindowFixture f;
    TerminationSignals taken;
    QObject::connect(&taken, &TerminationSignals::arrived, endAsTheSessionEnds);
    f.window.show();
    put(f.window, 1, {"/s/01A.sty"});
    put(f.window, 2, {"/s/02B.sty"});
    f.drive.onCopy = [] {
        ::kill(::getpid(), SIGTERM);
        QThread::msleep(200); // the window's thread takes it meanwhile
    };
    clickThroughWindow(f.window.findChild<QPushButton *>("CmdStartCopy"));
    QTimer::singleShot(10 * 1000, [] { QCoreApplication::exit(1); });

    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(f.drive.copiesAsked, 1);
    QCOMPARE(f.drive.events.last(), QStringLiteral("end"));
    QCOMPARE(f.messages.shown.size(), 0);
    QVERIFY(!f.window.isVisible());
}

QTEST_MAIN(TestEnding)
#include "test_ending.moc"
