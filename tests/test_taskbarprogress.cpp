#include "copyrun.h"
#include "copyrunner.h"
#include "fakes.h"
#include "launcherentryprogress.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTemporaryDir>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

// Records every LauncherEntry signal on the bus.
class UpdateRecorder : public QObject {
    Q_OBJECT
public slots:
    void record(const QDBusMessage &message)
    {
        QCOMPARE(message.signature(), QStringLiteral("sa{sv}"));
        QCOMPARE(message.arguments().value(0).toString(), QStringLiteral("application://dupliva.desktop"));
        updates.append(qdbus_cast<QVariantMap>(message.arguments().value(1)));
    }

public:
    QList<QVariantMap> updates;
};

class TestTaskBarProgress : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { busDaemon.kill(), busDaemon.waitForFinished(); }
    void runShowsItsProgressThenClearsIt_data();
    void runShowsItsProgressThenClearsIt();

private:
    QProcess busDaemon; // a session bus of the test's own
    QString busAddress;
};

void TestTaskBarProgress::initTestCase()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed (Debian package dbus-daemon)");
    // An abstract socket: no file anywhere, and no limit on the length of a folder's path.
    const QString address = QStringLiteral("unix:abstract=/dupliva-test-%1").arg(QCoreApplication::applicationPid());
    busDaemon.start(daemon, {"--session", "--nofork", "--print-address=1", "--address=" + address});
    QVERIFY(busDaemon.waitForReadyRead(10000));
    busAddress = QString::fromLatin1(busDaemon.readLine()).trimmed();
}

void TestTaskBarProgress::runShowsItsProgressThenClearsIt_data()
{
    QTest::addColumn<int>("failingCopy");
    QTest::addColumn<int>("flushFailure");
    QTest::addColumn<int>("throwingCopy");
    QTest::addColumn<QList<double>>("progress");

    // Four files: three in group 2, one in group 7.
    QTest::newRow("whole run") << 0 << int(NoFailure) << 0 << QList<double>{0.25, 0.5, 0.75, 1.0};
    QTest::newRow("disk full at the third file") << 3 << int(NoFailure) << 0 << QList<double>{0.25, 0.5};
    QTest::newRow("first group not flushed") << 0 << int(DriveNotReady) << 0 << QList<double>{0.25, 0.5, 0.75};
    QTest::newRow("drive throws at the second file") << 0 << int(NoFailure) << 2 << QList<double>{0.25};
}

void TestTaskBarProgress::runShowsItsProgressThenClearsIt()
{
    QFETCH(int, failingCopy);
    QFETCH(int, flushFailure);
    QFETCH(int, throwingCopy);
    QFETCH(QList<double>, progress);

    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    QDBusConnection listener = QDBusConnection::connectToBus(busAddress, "listener " + tag);
    UpdateRecorder recorder;
    QVERIFY(listener.connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update", &recorder,
                             SLOT(record(QDBusMessage))));
    listener.interface()->isServiceRegistered("org.freedesktop.DBus"); // the bus has the match rule now

    GroupBoard board;
    addStyles(board, 2, {"/s/01Samba.sty", "/s/02Rock.sty", "/s/03Walz.sty"});
    addStyles(board, 7, {"/s/01Jive.sty"});
    FakeDriveA drive;
    drive.failAt(failingCopy, DiskFull);
    drive.flushFailureCode = FailureCode(flushFailure);
    drive.onCopy = [&] {
        if (drive.copiesAsked == throwingCopy)
            throw std::runtime_error("the drive broke");
    };
    FakeMessageBoxes messages;
    LauncherEntryProgress taskBar(QDBusConnection::connectToBus(busAddress, "sender " + tag));
    CopyRun run(board, drive, messages, &taskBar);
    QSignalSpy ended(&run, &CopyRun::finished);

    run.Start(); // on a worker, as in the program
    QVERIFY(ended.wait());
    if (throwingCopy)
        QVERIFY(messages.shown.last().prompt.endsWith("Unexpected failure: the drive broke"));

    QCOMPARE(drive.events.last(), "end");
    QTRY_COMPARE(recorder.updates.size(), progress.size() + 1);
    for (int i = 0; i < progress.size(); ++i) {
        QCOMPARE(recorder.updates[i].value("progress-visible"), QVariant(true));
        QCOMPARE(recorder.updates[i].value("progress").metaType(), QMetaType::fromType<double>()); // as docks expect
        QCOMPARE(recorder.updates[i].value("progress").toDouble(), progress[i]);
    }
    QCOMPARE(recorder.updates.last().value("progress-visible"), QVariant(false));
}

QTEST_GUILESS_MAIN(TestTaskBarProgress)
#include "test_taskbarprogress.moc"
