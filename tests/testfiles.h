#pragma once

// Files and floppy images as the tests make and inspect them.

#include "localname.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

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

// An internal floppy drive played by a loop device over an image file, which only root
// can attach. Like /dev/fd0 on Debian, it belongs to the group floppy.
class LoopFloppy {
public:
    ~LoopFloppy() { eject(); }

    // Puts the disk image in the drive; returns why it cannot, or an empty text.
    QString insert(const QString &image, bool writeProtected = false)
    {
        if (::geteuid() != 0)
            return "attaching a loop device needs root";
        eject();
        QProcess losetup;
        losetup.start("losetup", (device.isEmpty() ? QStringList{"--find", "--show"} : QStringList{device})
                                     << (writeProtected ? "--read-only" : "--") << image);
        if (!losetup.waitForFinished() || losetup.exitCode() != 0)
            return "losetup is not possible here: " + losetup.readAllStandardError().trimmed();
        device = device.isEmpty() ? QString::fromLocal8Bit(losetup.readAllStandardOutput()).trimmed() : device;
        const struct group *floppy = ::getgrnam("floppy");
        attached = ::stat(QFile::encodeName(device).constData(), &original) == 0;
        if (!floppy || ::chown(QFile::encodeName(device).constData(), 0, floppy->gr_gid) != 0
            || ::chmod(QFile::encodeName(device).constData(), 0660) != 0)
            return "the loop device cannot be given to the group floppy";
        return {};
    }

    void eject()
    {
        if (std::exchange(attached, false)) {
            ::chown(QFile::encodeName(device).constData(), original.st_uid, original.st_gid);
            ::chmod(QFile::encodeName(device).constData(), original.st_mode & 07777);
            QProcess::execute("losetup", {"--detach", device});
        }
    }

    QString device;

private:
    bool attached = false;
    struct stat original {};
};
