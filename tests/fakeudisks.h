#pragma once

// A fake UDisks2 on a private bus that stands for the machine's system bus.
//
// In a test program with a QCoreApplication (QTEST_MAIN or QTEST_GUILESS_MAIN) whose
// target calls dupliva_uses_fake_udisks() in CMake:
//
//     FakeUDisks2 udisks;
//     START_FAKE_UDISKS2(udisks, FakeMachine().usbFloppy(folder).json());
//     ... code that uses SystemUDisks ...
//     QCOMPARE(udisks.calls(), ...);
//
// The private bus is started once per test program, because Qt keeps the first system
// bus it connects to; DBUS_SYSTEM_BUS_ADDRESS names it before any code touches the
// system bus. Each FakeUDisks2 is a service process of its own, stopped with it.
//
// The machine description, in JSON:
//     "drives": {NAME: {UDisks2 Drive properties: "ConnectionBus", "MediaCompatibility", ...}}
//     "blocks": {NAME: {UDisks2 Block properties: "Device", "Drive" (a drive's NAME), "Size", ...,
//                       "filesystem": true when it has the Filesystem interface,
//                       "partition": true when it has the Partition interface,
//                       "mountsAt": the folder where Mount puts it, "mounted": true when it is,
//                       "neverProbed": true when udev never looks into it, as into fd*: it
//                                      shows no file system even after Format,
//                       "desktopMounts": true when the desktop mounts it as soon as Format ends,
//                       "needsPassword": true when the policy refuses every change,
//                       "fails": {METHOD: [D-Bus error name, message]}}}
// Drives are /org/freedesktop/UDisks2/drives/NAME, blocks /org/freedesktop/UDisks2/block_devices/NAME.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

// A helper process that dies with the test program, however the program ends.
inline void diesWithTheTest(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

class PrivateSystemBus : public QObject {
public:
    // Starts the bus the first time; returns why there is none, or an empty text.
    static QString start()
    {
        static const QString whyNot = launch();
        return whyNot;
    }

private:
    using QObject::QObject;

    static QString launch()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return QStringLiteral("dbus-daemon is not installed (Debian package dbus-daemon)");
        if (!QCoreApplication::instance())
            return QStringLiteral("a private bus needs a QCoreApplication");
        // Owned by the application, so that the bus stops before the program ends.
        auto *bus = new PrivateSystemBus(QCoreApplication::instance());
        const QString config = bus->folder.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(configuration()) < 0)
            return QStringLiteral("cannot write %1").arg(config);
        file.close();

        diesWithTheTest(bus->daemon);
        bus->daemon.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!bus->daemon.waitForReadyRead(5000))
            return QStringLiteral("dbus-daemon did not start: %1").arg(QString::fromLocal8Bit(bus->daemon.readAllStandardError()));
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus->daemon.readLine().trimmed());
        return {};
    }

    // An abstract socket: no file anywhere, and no limit on the length of a folder's path.
    static QByteArray configuration()
    {
        return QByteArrayLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                                 " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                 "<busconfig>\n  <listen>unix:abstract=/dupliva-fake-udisks-")
            + QByteArray::number(QCoreApplication::applicationPid())
            + QByteArrayLiteral("</listen>\n  <auth>EXTERNAL</auth>\n"
                                "  <policy context=\"default\">\n"
                                "    <allow user=\"*\"/>\n    <allow own=\"*\"/>\n"
                                "    <allow send_destination=\"*\"/>\n    <allow receive_sender=\"*\"/>\n"
                                "  </policy>\n</busconfig>\n");
    }

    ~PrivateSystemBus() override
    {
        daemon.kill();
        daemon.waitForFinished();
    }

    QTemporaryDir folder;
    QProcess daemon;
};

class FakeUDisks2 {
public:
    FakeUDisks2() = default;
    FakeUDisks2(const FakeUDisks2 &) = delete;
    FakeUDisks2 &operator=(const FakeUDisks2 &) = delete;
    ~FakeUDisks2() { stop(); }

    // Starts the service with the machine described, on the private bus, and waits
    // until it owns its name.
    bool start(QJsonObject machine)
    {
        stop();
        machine[QLatin1String("log")] = logPath();
        QFile description(folder.filePath(QStringLiteral("machine.json")));
        if (!description.open(QIODevice::WriteOnly) || description.write(QJsonDocument(machine).toJson()) < 0)
            return false;
        description.close();

        diesWithTheTest(service);
        service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        service.start(QStringLiteral(FAKE_UDISKS2_PROGRAM), {description.fileName()});
        return service.waitForStarted() && waitForName();
    }

    bool running() const { return service.state() != QProcess::NotRunning; }

    void stop()
    {
        if (service.state() == QProcess::NotRunning)
            return;
        service.kill();
        service.waitForFinished();
    }

    // Every call made to a block device so far, one a line, in the order they came:
    // "Mount sdb auth.no_user_interaction=false interactive".
    QStringList calls() const
    {
        QFile log(logPath());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QString logPath() const { return folder.filePath(QStringLiteral("calls.log")); }

    bool waitForName()
    {
        const QDBusConnectionInterface *bus = QDBusConnection::systemBus().interface();
        for (QDeadlineTimer deadline(5000); bus && !deadline.hasExpired(); QThread::msleep(5)) {
            const QDBusReply<uint> owner = bus->servicePid(QStringLiteral("org.freedesktop.UDisks2"));
            if (owner.isValid() && qint64(owner.value()) == service.processId())
                return true;
            if (service.state() == QProcess::NotRunning)
                return false;
        }
        return false;
    }

    QTemporaryDir folder;
    QProcess service;
};

// In a test function: the private system bus, or the test skips when there can be none.
#define START_PRIVATE_SYSTEM_BUS() \
    do { \
        if (const QString whyNoBus = PrivateSystemBus::start(); !whyNoBus.isEmpty()) \
            QSKIP(qPrintable(whyNoBus)); \
    } while (false)

// In a test function: udisks serves the machine described, or the test skips when there
// can be no private bus.
#define START_FAKE_UDISKS2(udisks, machine) \
    do { \
        START_PRIVATE_SYSTEM_BUS(); \
        QVERIFY2((udisks).start(machine), "the fake UDisks2 did not start"); \
    } while (false)

// Machine descriptions made of the usual parts.
class FakeMachine {
public:
    // A USB floppy drive holding a 1.44 MB disk labelled STYLES, block sdb.
    FakeMachine &usbFloppy(const QString &mountsAt, bool mounted = false)
    {
        drives[QLatin1String("TEAC_FD_05PUB")] = QJsonObject{
            {"Vendor", "TEAC"}, {"Model", "FD-05PUB"}, {"ConnectionBus", "usb"},
            {"MediaCompatibility", QJsonArray{"floppy"}}, {"Removable", true}, {"MediaRemovable", true},
            {"Ejectable", true}, {"MediaAvailable", true}};
        blocks[QLatin1String("sdb")] = QJsonObject{
            {"Device", "/dev/sdb"}, {"Drive", "TEAC_FD_05PUB"}, {"Size", 1474560}, {"IdType", "vfat"}, {"IdLabel", "STYLES"},
            {"filesystem", true}, {"mountsAt", mountsAt}, {"mounted", mounted}};
        return *this;
    }

    // A 16 GB USB stick, mounted: never a floppy drive.
    FakeMachine &usbStick(const QString &mountedAt)
    {
        drives[QLatin1String("SanDisk_Cruzer")] = QJsonObject{
            {"Vendor", "SanDisk"}, {"Model", "Cruzer"}, {"ConnectionBus", "usb"}, {"MediaCompatibility", QJsonArray{"thumb"}},
            {"Removable", true}, {"MediaRemovable", true}, {"Ejectable", true}, {"MediaAvailable", true}};
        blocks[QLatin1String("sdc")] = QJsonObject{
            {"Device", "/dev/sdc"}, {"Drive", "SanDisk_Cruzer"}, {"Size", 16008609792.0}, {"IdType", "vfat"},
            {"filesystem", true}, {"mountsAt", mountedAt}, {"mounted", true}};
        return *this;
    }

    // The internal drive as UDisks2 shows it, never looking in: size 0, no file system,
    // and a medium it cannot know. Its block device is device, /dev/fd0 unless a test
    // plays it with another.
    FakeMachine &internalFloppy(const QString &mountsAt = {}, const QString &device = "/dev/fd0")
    {
        drives[QLatin1String("floppy_fd0")] = QJsonObject{
            {"ConnectionBus", ""}, {"MediaCompatibility", QJsonArray{"floppy"}}, {"MediaRemovable", true}, {"MediaAvailable", true}};
        blocks[QLatin1String("fd0")] = QJsonObject{
            {"Device", device}, {"Drive", "floppy_fd0"}, {"Size", 0}, {"mountsAt", mountsAt}, {"neverProbed", true}};
        return *this;
    }

    // Makes a method of a block device fail with a D-Bus error.
    FakeMachine &failing(const QString &block, const QString &method, const QString &errorName, const QString &message)
    {
        QJsonObject fails = blocks[block][QLatin1String("fails")].toObject();
        fails[method] = QJsonArray{errorName, message};
        return with(block, QStringLiteral("fails"), fails);
    }

    // Sets one entry of a block device's description.
    FakeMachine &with(const QString &block, const QString &key, const QJsonValue &value)
    {
        QJsonObject changed = blocks[block].toObject();
        changed[key] = value;
        blocks[block] = changed;
        return *this;
    }

    QJsonObject json() const { return {{"drives", drives}, {"blocks", blocks}}; }

private:
    QJsonObject drives;
    QJsonObject blocks;
};
