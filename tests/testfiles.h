#pragma once

// Files and floppy images as the tests make and inspect them.

#include "localname.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <fcntl.h>

// Also under a name that is not UTF-8.
inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile file;
    const int fd = ::open(localName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    QVERIFY2(fd >= 0 && file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle), qPrintable(path));
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
