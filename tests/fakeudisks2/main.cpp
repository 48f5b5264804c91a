// A stand-in for UDisks2, for tests: it owns org.freedesktop.UDisks2 on the bus it is
// started on and shows the machine that a JSON file describes (see fakeudisks.h).
// Mount points are plain folders; every call to a block device is appended to a log.
// It answers as UDisks2 2.9 of Debian 12 does, refusals and errors included.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using Interfaces = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, Interfaces>;

namespace {

const QString root = QStringLiteral("/org/freedesktop/UDisks2");
const QString drives = root + QStringLiteral("/drives/");
const QString blocks = root + QStringLiteral("/block_devices/");

QByteArray byteString(const QString &text)
{
    return text.toUtf8() + '\0';
}

// A property from the description, in the D-Bus type that UDisks2 gives it.
QVariant propertyValue(const QString &name, const QJsonValue &value)
{
    if (name == QLatin1String("Device") || name == QLatin1String("PreferredDevice"))
        return byteString(value.toString());
    if (name == QLatin1String("Symlinks")) {
        QByteArrayList strings;
        for (const QJsonValue &link : value.toArray())
            strings.append(byteString(link.toString()));
        return QVariant::fromValue(strings);
    }
    if (name == QLatin1String("Drive"))
        return QVariant::fromValue(QDBusObjectPath(drives + value.toString()));
    if (name == QLatin1String("Size"))
        return QVariant::fromValue(quint64(value.toDouble()));
    if (value.isArray())
        return value.toVariant().toStringList();
    return value.toVariant();
}

// The description's properties: those whose names begin with a capital letter.
QVariantMap properties(const QJsonObject &description)
{
    QVariantMap map;
    for (auto property = description.begin(); property != description.end(); ++property) {
        if (property.key().front().isUpper())
            map.insert(property.key(), propertyValue(property.key(), property.value()));
    }
    return map;
}

QString optionsText(const QVariantMap &options)
{
    QStringList texts;
    for (auto option = options.cbegin(); option != options.cend(); ++option)
        texts.append(option.key() + QLatin1Char('=') + option.value().toString());
    return texts.join(QLatin1Char(' '));
}

class FakeUDisks2 : public QDBusVirtualObject {
public:
    explicit FakeUDisks2(const QJsonObject &machine)
        : machine(machine)
    {
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.path() == root && message.member() == QLatin1String("GetManagedObjects"))
            return connection.send(message.createReply(QVariant::fromValue(managedObjects())));
        if (!message.path().startsWith(blocks))
            return false;
        const QString name = message.path().mid(blocks.size());
        log(message, name);
        return connection.send(blockCall(message, name));
    }

private:
    QJsonObject block(const QString &name) const { return machine[QLatin1String("blocks")][name].toObject(); }

    void change(const QString &name, const QString &key, const QJsonValue &value)
    {
        QJsonObject blocks = machine[QLatin1String("blocks")].toObject();
        QJsonObject changed = blocks[name].toObject();
        changed[key] = value;
        blocks[name] = changed;
        machine[QLatin1String("blocks")] = blocks;
    }

    ManagedObjects managedObjects() const
    {
        ManagedObjects objects;
        const QJsonObject driveList = machine[QLatin1String("drives")].toObject();
        for (auto drive = driveList.begin(); drive != driveList.end(); ++drive)
            objects[QDBusObjectPath(drives + drive.key())][QStringLiteral("org.freedesktop.UDisks2.Drive")] = properties(drive.value().toObject());
        const QJsonObject blockList = machine[QLatin1String("blocks")].toObject();
        for (auto block = blockList.begin(); block != blockList.end(); ++block)
            objects[QDBusObjectPath(blocks + block.key())] = blockInterfaces(block.value().toObject());
        return objects;
    }

    static Interfaces blockInterfaces(const QJsonObject &block)
    {
        Interfaces interfaces;
        QVariantMap blockProperties = properties(block);
        if (!blockProperties.contains(QStringLiteral("Drive")))
            blockProperties.insert(QStringLiteral("Drive"), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/"))));
        interfaces[QStringLiteral("org.freedesktop.UDisks2.Block")] = blockProperties;
        if (block[QLatin1String("partition")].toBool())
            interfaces[QStringLiteral("org.freedesktop.UDisks2.Partition")] = {};
        if (block[QLatin1String("filesystem")].toBool()) {
            QByteArrayList mountPoints;
            if (block[QLatin1String("mounted")].toBool())
                mountPoints.append(byteString(block[QLatin1String("mountsAt")].toString()));
            interfaces[QStringLiteral("org.freedesktop.UDisks2.Filesystem")] = {{QStringLiteral("MountPoints"), QVariant::fromValue(mountPoints)}};
        }
        return interfaces;
    }

    QDBusMessage blockCall(const QDBusMessage &call, const QString &name)
    {
        const QJsonObject block = this->block(name);
        const QString method = call.member();
        const QJsonArray failure = block[QLatin1String("fails")][method].toArray();
        if (block.isEmpty())
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                         QStringLiteral("No such interface \u201c%1\u201d on object at path %2").arg(call.interface(), call.path()));
        if (!failure.isEmpty())
            return call.createErrorReply(failure[0].toString(), failure[1].toString());
        // The policy wants a password, and there is no agent to ask for it.
        if (block[QLatin1String("needsPassword")].toBool())
            return call.createErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain"),
                                         QStringLiteral("Not authorized to perform operation"));
        const bool hasFilesystem = block[QLatin1String("filesystem")].toBool();
        const bool mounted = block[QLatin1String("mounted")].toBool();
        const QString device = block[QLatin1String("Device")].toString();

        // udev has probed every device it will; a floppy device (fd*) it never probes.
        if (method == QLatin1String("Rescan"))
            return call.createReply();
        if (method == QLatin1String("Format"))
            return format(call, name, block);
        if (!hasFilesystem)
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), QStringLiteral("No such interface"));
        if (method == QLatin1String("Mount")) {
            if (mounted)
                return call.createErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.AlreadyMounted"),
                                             QStringLiteral("Device %1 is already mounted at `%2'.").arg(device, block[QLatin1String("mountsAt")].toString()));
            change(name, QStringLiteral("mounted"), true);
            return call.createReply(block[QLatin1String("mountsAt")].toString());
        }
        if (method == QLatin1String("Unmount")) {
            if (!mounted)
                return call.createErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.NotMounted"), device + QStringLiteral(" is not mounted"));
            change(name, QStringLiteral("mounted"), false);
            return call.createReply();
        }
        return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), QStringLiteral("No such method"));
    }

    // The signatures are wiped first; mkfs then refuses a mounted device.
    QDBusMessage format(const QDBusMessage &call, const QString &name, const QJsonObject &block)
    {
        const QString device = block[QLatin1String("Device")].toString();
        change(name, QStringLiteral("IdType"), QString());
        change(name, QStringLiteral("IdLabel"), QString());
        if (block[QLatin1String("mounted")].toBool())
            return call.createErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.Failed"),
                                         QStringLiteral("Error creating filesystem 'vfat': mkfs.fat: %1 contains a mounted filesystem.").arg(device));
        change(name, QStringLiteral("IdType"), call.arguments().value(0).toString());
        change(name, QStringLiteral("IdLabel"), qdbus_cast<QVariantMap>(call.arguments().value(1)).value(QStringLiteral("label")).toString());
        if (!block[QLatin1String("neverProbed")].toBool())
            change(name, QStringLiteral("filesystem"), true);
        if (block[QLatin1String("desktopMounts")].toBool())
            change(name, QStringLiteral("mounted"), true);
        return call.createReply();
    }

    // "Format sdb vfat auth.no_user_interaction=false label=STYLES interactive"
    void log(const QDBusMessage &call, const QString &name) const
    {
        QStringList words = {call.member(), name};
        for (const QVariant &argument : call.arguments())
            words.append(argument.canConvert<QString>() ? argument.toString() : optionsText(qdbus_cast<QVariantMap>(argument)));
        if (call.isInteractiveAuthorizationAllowed())
            words.append(QStringLiteral("interactive"));
        QFile file(machine[QLatin1String("log")].toString());
        if (file.open(QIODevice::Append))
            file.write(words.join(QLatin1Char(' ')).toUtf8() + '\n');
    }

    QJsonObject machine;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QFile description(application.arguments().value(1));
    if (!description.open(QIODevice::ReadOnly)) {
        qCritical("usage: fakeudisks2 MACHINE.json");
        return 2;
    }
    qDBusRegisterMetaType<Interfaces>();
    qDBusRegisterMetaType<ManagedObjects>();
    qDBusRegisterMetaType<QByteArrayList>();
    FakeUDisks2 udisks(QJsonDocument::fromJson(description.readAll()).object());

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.registerVirtualObject(root, &udisks, QDBusConnection::SubPath)
        || !bus.registerService(QStringLiteral("org.freedesktop.UDisks2"))) {
        qCritical("fakeudisks2: %s", qPrintable(bus.lastError().message()));
        return 1;
    }
    return application.exec();
}
