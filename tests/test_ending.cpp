#include "privatefolder.h"
#include "temporaryfiles.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestEnding : public QObject {
    Q_OBJECT
private slots:
    void nextStartRemovesOnlyLeftoverFolders();
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

QTEST_MAIN(TestEnding)
#include "test_ending.moc"
