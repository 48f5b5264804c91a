#include "udisks.h"

#include "localname.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>

namespace {

const QString service = QStringLiteral("org.freedesktop.UDisks2");
const QString driveInterface = QStringLiteral("org.freedesktop.UDisks2.Drive");
const QString blockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString filesystemInterface = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString partitionInterface = QStringLiteral("org.freedesktop.UDisks2.Partition");

// UDisks2 answers from what it knows at once; Mount and Format may wait for the user
// to type a password first.
constexpr int quickAnswer = 10 * 1000;
constexpr int slowChange = 60 * 1000;
constexpr int afterPasswordDialog = 5 * 60 * 1000;

// UDisks2 gives paths as byte strings that end in a NUL.
QString byteString(const QByteArray &bytes)
{
    const qsizetype end = bytes.indexOf('\0');
    return fromLocalName(end < 0 ? bytes : bytes.left(end));
}

// A D-Bus value of the given signature, or an empty one when the value is of another type.
template <typename T>
T valueOfSignature(const QVariant &value, const char *signature)
{
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return {};
    const auto argument = value.value<QDBusArgument>();
    return argument.currentSignature() == QLatin1String(signature) ? qdbus_cast<T>(argument) : T{};
}

QStringList byteStrings(const QVariant &value)
{
    QStringList strings;
    for (const QByteArray &bytes : valueOfSignature<QByteArrayList>(value, "aay"))
        strings.append(byteString(bytes));
    return strings;
}

UDisksDrive driveFrom(const QString &path, const QVariantMap &drive)
{
    return {
        .path = path,
        .connectionBus = drive.value(QStringLiteral("ConnectionBus")).toString(),
        .mediaCompatibility = drive.value(QStringLiteral("MediaCompatibility")).toStringList(),
        .media = drive.value(QStringLiteral("Media")).toString(),
        .mediaRemovable = drive.value(QStringLiteral("MediaRemovable")).toBool(),
    };
}

UDisksBlock blockFrom(const QString &path, const UDisksInterfaces &interfaces)
{
    const QVariantMap block = interfaces.value(blockInterface);
    const QString drive = block.value(QStringLiteral("Drive")).value<QDBusObjectPath>().path();
    return {
        .path = path,
        .device = byteString(block.value(QStringLiteral("Device")).toByteArray()),
        .symlinks = byteStrings(block.value(QStringLiteral("Symlinks"))),
        .drive = drive.isEmpty() ? QStringLiteral("/") : drive,
        .size = qint64(std::min<qulonglong>(block.value(QStringLiteral("Size")).toULongLong(), INT64_MAX)),
        .hasFilesystem = interfaces.contains(filesystemInterface),
        .isPartition = interfaces.contains(partitionInterface),
        .mountPoints = byteStrings(interfaces.value(filesystemInterface).value(QStringLiteral("MountPoints"))),
        .idLabel = block.value(QStringLiteral("IdLabel")).toString(),
        .hintIgnore = block.value(QStringLiteral("HintIgnore")).toBool(),
    };
}

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<UDisksInterfaces>();
        qDBusRegisterMetaType<UDisksObjects>();
        qDBusRegisterMetaType<QByteArrayList>();
        return true;
    }();
    Q_UNUSED(registered);
}

// The options every change takes: the desktop may ask the user for a password.
QVariantMap interactive(QVariantMap options = {})
{
    options.insert(QStringLiteral("auth.no_user_interaction"), false);
    return options;
}

QDBusMessage call(const QString &object, const QString &interface, const QString &method,
                  const QVariantList &arguments, int timeout)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, object, interface, method);
    message.setArguments(arguments);
    message.setInteractiveAuthorizationAllowed(true);
    return QDBusConnection::systemBus().call(message, QDBus::Block, timeout);
}

UDisksReply replyFrom(const QDBusMessage &answer)
{
    if (answer.type() == QDBusMessage::ErrorMessage)
        return {answer.errorName(), answer.errorMessage(), {}};
    UDisksReply reply;
    if (!answer.arguments().isEmpty())
        reply.mountPoint = answer.arguments().constFirst().toString();
    return reply;
}

} // namespace

UDisksMachine machineFromObjects(const UDisksObjects &objects)
{
    UDisksMachine machine;
    for (auto object = objects.cbegin(); object != objects.cend(); ++object) {
        const QString path = object.key().path();
        if (object->contains(driveInterface))
            machine.drives.append(driveFrom(path, object->value(driveInterface)));
        if (object->contains(blockInterface))
            machine.blocks.append(blockFrom(path, *object));
    }
    return machine;
}

SystemUDisks::SystemUDisks()
{
    registerTypes();
}

std::optional<UDisksMachine> SystemUDisks::machine()
{
    const QDBusMessage answer = call(QStringLiteral("/org/freedesktop/UDisks2"),
                                     QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                     QStringLiteral("GetManagedObjects"), {}, quickAnswer);
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty())
        return std::nullopt;
    return machineFromObjects(valueOfSignature<UDisksObjects>(answer.arguments().constFirst(), "a{oa{sa{sv}}}"));
}

UDisksReply SystemUDisks::mount(const QString &block)
{
    return replyFrom(call(block, filesystemInterface, QStringLiteral("Mount"), {interactive()}, afterPasswordDialog));
}

UDisksReply SystemUDisks::unmount(const QString &block)
{
    return replyFrom(call(block, filesystemInterface, QStringLiteral("Unmount"), {interactive()}, slowChange));
}

UDisksReply SystemUDisks::format(const QString &block, const QString &type, const QString &label)
{
    const QVariantMap options = interactive({{QStringLiteral("label"), label}});
    return replyFrom(call(block, blockInterface, QStringLiteral("Format"), {type, options}, afterPasswordDialog));
}

UDisksReply SystemUDisks::rescan(const QString &block)
{
    return replyFrom(call(block, blockInterface, QStringLiteral("Rescan"), {interactive()}, slowChange));
}
