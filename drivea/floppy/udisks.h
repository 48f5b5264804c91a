#pragma once

#include <QDBusObjectPath>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// What GetManagedObjects of UDisks2 answers: every object with its interfaces and
// their properties.
using UDisksInterfaces = QMap<QString, QVariantMap>;
using UDisksObjects = QMap<QDBusObjectPath, UDisksInterfaces>;

// A drive as UDisks2 shows it (org.freedesktop.UDisks2.Drive). MediaAvailable is left
// out on purpose: UDisks2 cannot know it for a floppy drive without spinning it.
struct UDisksDrive {
    QString path; // the D-Bus object path
    QString connectionBus; // "usb", or empty for an internal drive
    QStringList mediaCompatibility;
    QString media;
    bool mediaRemovable = false;
};

// A block device as UDisks2 shows it (org.freedesktop.UDisks2.Block and, when it has
// them, the Filesystem and Partition interfaces).
struct UDisksBlock {
    QString path; // the D-Bus object path
    QString device; // "/dev/sdb"
    QStringList symlinks;
    QString drive; // the object path of its drive, or "/" when it has none
    qint64 size = 0; // 0 for a floppy drive that UDisks2 has not looked into
    bool hasFilesystem = false;
    bool isPartition = false;
    QStringList mountPoints;
    QString idLabel;
    bool hintIgnore = false; // the system asks that it be shown to no user
};

struct UDisksMachine {
    QList<UDisksDrive> drives;
    QList<UDisksBlock> blocks;
};

// The answer to a call that changes something: empty errorName when it succeeded.
struct UDisksReply {
    QString errorName; // the D-Bus error's name
    QString message; // the system's own words for the error
    QString mountPoint; // what Mount answers

    bool ok() const { return errorName.isEmpty(); }
};

// UDisks2, the system service that finds, mounts and formats the machine's disks.
// Blocks are named by their object path. The calls wait for the answer, and Mount and
// Format may wait for the desktop's password dialog: call them off the GUI thread.
class UDisks {
public:
    virtual ~UDisks() = default;

    // The machine's drives and block devices, or nothing when no UDisks2 answers.
    virtual std::optional<UDisksMachine> machine() = 0;
    virtual UDisksReply mount(const QString &block) = 0;
    virtual UDisksReply unmount(const QString &block) = 0;
    virtual UDisksReply format(const QString &block, const QString &type, const QString &label) = 0;
    // Makes UDisks2 look at the device again, to see a disk it has not probed.
    virtual UDisksReply rescan(const QString &block) = 0;
};

// UDisks2 on the system bus (DBUS_SYSTEM_BUS_ADDRESS, when it is set, names the bus).
class SystemUDisks : public UDisks {
public:
    SystemUDisks();

    std::optional<UDisksMachine> machine() override;
    UDisksReply mount(const QString &block) override;
    UDisksReply unmount(const QString &block) override;
    UDisksReply format(const QString &block, const QString &type, const QString &label) override;
    UDisksReply rescan(const QString &block) override;
};

// The drives and block devices among UDisks2's objects; whatever does not fit is left out.
UDisksMachine machineFromObjects(const UDisksObjects &objects);
