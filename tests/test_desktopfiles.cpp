#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

class TestDesktopFiles : public QObject {
    Q_OBJECT
private slots:
    void validatorsReportNothing_data();
    void validatorsReportNothing();
    void entryOpensFloppyImages_data();
    void entryOpensFloppyImages();
};

void TestDesktopFiles::validatorsReportNothing_data()
{
    QTest::addColumn<QString>("validator");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList{DUPLIVA_DESKTOP_ENTRY};
    QTest::newRow("AppStream metadata")
        << "appstreamcli" << QStringList{"validate", "--no-net", "--pedantic", DUPLIVA_METAINFO};
}

void TestDesktopFiles::validatorsReportNothing()
{
    QFETCH(QString, validator);
    QFETCH(QStringList, arguments);
    const QString program = QStandardPaths::findExecutable(validator);
    if (program.isEmpty())
        QSKIP(qPrintable(validator + " is not installed"));

    QProcess validation;
    validation.start(program, arguments);
    QVERIFY(validation.waitForFinished(30000));
    QString report = QString::fromUtf8(validation.readAllStandardOutput() + validation.readAllStandardError());
    // appstreamcli ends with this line (after a tick in a UTF-8 locale) when it has found nothing
    report.remove(QRegularExpression(QStringLiteral("^.*Validation was successful\\.\n$")));
    QCOMPARE(report, QString());
    QCOMPARE(validation.exitCode(), 0);
}

void TestDesktopFiles::entryOpensFloppyImages_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("raw disk image") << "styles.img";
    QTest::newRow("raw floppy image") << "styles.fd";
}

void TestDesktopFiles::entryOpensFloppyImages()
{
    QFETCH(QString, fileName);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (type.isDefault())
        QSKIP("this system's MIME database (shared-mime-info) knows no type for the file");

    QFile entry(QStringLiteral(DUPLIVA_DESKTOP_ENTRY));
    QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    const QByteArray text = entry.readAll();
    const qsizetype start = text.indexOf("\nMimeType=") + 10;
    QVERIFY2(text.mid(start, text.indexOf('\n', start) - start).split(';').contains(type.name().toUtf8()),
             qPrintable(type.name()));
}

QTEST_GUILESS_MAIN(TestDesktopFiles)
#include "test_desktopfiles.moc"
