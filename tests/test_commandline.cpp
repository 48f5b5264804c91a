#include "commandline.h"

#include <QProcess>
#include <QTest>

Q_DECLARE_METATYPE(CommandLine::Request)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parsing_data();
    void parsing();
    void programEndsWithoutADisplay_data();
    void programEndsWithoutADisplay();
};

void TestCommandLine::parsing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Request>("request");
    QTest::addColumn<QString>("drivePath");
    QTest::addColumn<QString>("error");

    QTest::newRow("nothing") << QStringList{} << CommandLine::Run << "" << "";
    QTest::newRow("a folder") << QStringList{"/media/floppy"} << CommandLine::Run << "/media/floppy" << "";
    QTest::newRow("an image") << QStringList{"My Styles.img"} << CommandLine::Run << "My Styles.img" << "";
    QTest::newRow("a path that starts with a dash")
        << QStringList{"--", "-styles.ima"} << CommandLine::Run << "-styles.ima" << "";
    QTest::newRow("--version") << QStringList{"--version"} << CommandLine::ShowVersion << "" << "";
    QTest::newRow("-v") << QStringList{"-v"} << CommandLine::ShowVersion << "" << "";
    QTest::newRow("--help") << QStringList{"--help"} << CommandLine::ShowHelp << "" << "";
    QTest::newRow("-h with a path") << QStringList{"-h", "/dev/fd0"} << CommandLine::ShowHelp << "" << "";
    QTest::newRow("unknown option") << QStringList{"--frob"} << CommandLine::Refuse << "" << "Unknown option 'frob'";
    QTest::newRow("toolkit option") << QStringList{"-platform", "xcb"} << CommandLine::Refuse << ""
                                    << "Unknown option 'platform'";
    QTest::newRow("value on a flag") << QStringList{"--version=2"} << CommandLine::Refuse << "" << "--version";
    QTest::newRow("two paths") << QStringList{"a.img", "b.img"} << CommandLine::Refuse << ""
                               << "Only one PATH may be given, not 2: a.img b.img.";
}

void TestCommandLine::parsing()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Request, request);
    QFETCH(QString, drivePath);
    QFETCH(QString, error);

    const CommandLine command = parseCommandLine(QStringList{"dupliva"} + arguments);
    QCOMPARE(command.request, request);
    QCOMPARE(command.drivePath, drivePath);
    QVERIFY2(command.error.contains(error) && command.error.isEmpty() == error.isEmpty(), qPrintable(command.error));
}

void TestCommandLine::programEndsWithoutADisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("errorOutput");

    QTest::newRow("--version") << QStringList{"--version"} << 0 << "Dupliva " DUPLIVA_VERSION "\n" << "";
    QTest::newRow("--help names PATH") << QStringList{"--help"} << 0 << "/dev/fd0" << "";
    QTest::newRow("unknown option") << QStringList{"--frob"} << 2 << ""
                                    << "dupliva: Unknown option 'frob'.\nTry 'dupliva --help' for more information.\n";
    QTest::newRow("second argument") << QStringList{"a.img", "b.img"} << 2 << "" << "Only one PATH may be given";
}

void TestCommandLine::programEndsWithoutADisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, errorOutput);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QLatin1String(name));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(DUPLIVA_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(10000));

    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString shown = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString complaint = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(output.isEmpty() ? shown.isEmpty() : shown.contains(output), qPrintable(shown));
    QVERIFY2(errorOutput.isEmpty() ? complaint.isEmpty() : complaint.contains(errorOutput), qPrintable(complaint));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
