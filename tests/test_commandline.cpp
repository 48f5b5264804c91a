#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void programEndsWithoutADisplay_data();
    void programEndsWithoutADisplay();
};

void TestCommandLine::programEndsWithoutADisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("errorOutput");

    QTest::newRow("--version") << QStringList{"--version"} << 0 << "Dupliva " DUPLIVA_VERSION "\n" << "";
    QTest::newRow("--help names PATH") << QStringList{"--help"} << 0 << "/dev/fd0" << "";
    QTest::newRow("--help-all names Qt's options") << QStringList{"--help-all"} << 0 << "-platform" << "";
    QTest::newRow("Qt's own options") << QStringList{"-platform", "offscreen", "-style", "fusion", "-reverse", "-v"}
                                      << 0 << "Dupliva " DUPLIVA_VERSION "\n" << "";
    QTest::newRow("unknown option") << QStringList{"-platform", "offscreen", "--frob"} << 2 << ""
                                    << "dupliva: Unknown option 'frob'.\nTry 'dupliva --help' for more information.\n";
    QTest::newRow("second path") << QStringList{"-platform", "offscreen", "a.img", "b.img"} << 2 << ""
                                 << "Only one PATH may be given";
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
    const QTemporaryDir runtime; // as a desktop session has one
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(DUPLIVA_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(10000));

    QCOMPARE(program.exitCode(), status);
    const QString shown = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString complaint = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(output.isEmpty() ? shown.isEmpty() : shown.contains(output), qPrintable(shown));
    QVERIFY2(errorOutput.isEmpty() ? complaint.isEmpty() : complaint.contains(errorOutput), qPrintable(complaint));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
