#pragma once

// Files and floppy images as the tests make and inspect them.

#include <QFile>
#include <QProcess>
#include <QTest>

inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(content), content.size());
}

// An mtools program run plainly, to look at an image apart from the drive under test and
// without any user's settings.
inline QByteArray mtools(const QString &program, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", "/nonexistent");
    environment.insert("MTOOLSRC", "/dev/null");
    environment.remove("MTOOLS_SKIP_CHECK");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished();
    return process.readAllStandardOutput();
}
