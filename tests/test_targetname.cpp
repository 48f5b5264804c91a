#include "targetname.h"

#include <QTest>

class TestTargetName : public QObject {
    Q_OBJECT
private slots:
    void dropsTheStyleNumberOfTheFileName_data();
    void dropsTheStyleNumberOfTheFileName();
};

void TestTargetName::dropsTheStyleNumberOfTheFileName_data()
{
    QTest::addColumn<QString>("sourcePath");
    QTest::addColumn<QString>("targetName");

    QTest::newRow("numbered style") << "C:\\Styles\\01Samba.sty" << "Samba.sty";
    QTest::newRow("no leading number") << "C:\\Styles\\Samba.sty" << "mba.sty";
    QTest::newRow("two characters") << "C:\\x\\ab" << "";
    QTest::newRow("one character") << "C:\\x\\a" << "a";
    QTest::newRow("ends in a backslash") << "C:\\x\\" << "";
    QTest::newRow("slashes") << "/home/u/01Samba.sty" << "Samba.sty";
    QTest::newRow("last separator wins") << "/home/u\\x/17Walz.sty" << "Walz.sty";
    QTest::newRow("backslash after slash") << "/home/u/odd\\09Rock.sty" << "Rock.sty";
    QTest::newRow("no separator") << "01Samba.sty" << "Samba.sty";
    QTest::newRow("no separator, one character") << "a" << "a";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("non-ASCII name") << "/home/u/05Café.sty" << "Café.sty";
    QTest::newRow("two characters beyond the BMP") << "/s/\U0001F600\U0001F600Samba.sty" << "Samba.sty";
    QTest::newRow("one character beyond the BMP") << "/s/x\U0001F600Samba.sty" << "Samba.sty";
}

void TestTargetName::dropsTheStyleNumberOfTheFileName()
{
    QFETCH(QString, sourcePath);
    QFETCH(QString, targetName);
    QCOMPARE(ReNaMe(sourcePath), targetName);
}

QTEST_APPLESS_MAIN(TestTargetName)
#include "test_targetname.moc"
