// Any objects that UDisks2 may answer, and any error it may give to a mount: the
// machine holds exactly the drives and blocks among them, and a floppy drive that does
// not mount fails the copy as not ready or in the system's words, nothing else.

#include "floppydrive.h"
#include "fuzzcheck.h"
#include "udisks.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>

namespace {

const std::array<QString, 4> interfaces = {
    QStringLiteral("org.freedesktop.UDisks2.Drive"), QStringLiteral("org.freedesktop.UDisks2.Block"),
    QStringLiteral("org.freedesktop.UDisks2.Filesystem"), QStringLiteral("org.freedesktop.UDisks2.Partition")};
const std::array<QString, 5> objectPaths = {
    QStringLiteral("/"), QStringLiteral("/org/freedesktop/UDisks2/drives/d0"),
    QStringLiteral("/org/freedesktop/UDisks2/drives/d1"), QStringLiteral("/org/freedesktop/UDisks2/block_devices/fd0"),
    QStringLiteral("/org/freedesktop/UDisks2/block_devices/sdb")};
const std::array<QString, 15> properties = {
    QStringLiteral("Vendor"), QStringLiteral("Model"), QStringLiteral("ConnectionBus"),
    QStringLiteral("MediaCompatibility"), QStringLiteral("Media"), QStringLiteral("Removable"),
    QStringLiteral("MediaRemovable"), QStringLiteral("Ejectable"), QStringLiteral("Device"),
    QStringLiteral("Drive"), QStringLiteral("Size"), QStringLiteral("IdLabel"),
    QStringLiteral("IdType"), QStringLiteral("ReadOnly"), QStringLiteral("MountPoints")};
// Words that the floppy rule looks for, which the fuzzer cannot see compared inside Qt.
const std::array<const char *, 9> words = {"floppy", "floppy_ls120", "flash_cf", "thumb", "optical_cd", "usb",
                                           "/dev/fd0", "/dev/sdb", "No medium found"};

template <std::size_t N>
const QString &oneOf(FuzzedDataProvider &input, const std::array<QString, N> &choices)
{
    return choices[input.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

QString text(FuzzedDataProvider &input)
{
    if (input.ConsumeBool())
        return QString::fromLatin1(words[input.ConsumeIntegralInRange<std::size_t>(0, words.size() - 1)]);
    return QString::fromStdString(input.ConsumeRandomLengthString(32));
}

QVariant value(FuzzedDataProvider &input)
{
    switch (input.ConsumeIntegralInRange(0, 6)) {
    case 0:
        return text(input);
    case 1:
        return input.ConsumeBool();
    case 2:
        return input.ConsumeIntegral<qulonglong>();
    case 3:
        return text(input).toUtf8() + (input.ConsumeBool() ? QByteArray(1, '\0') : QByteArray());
    case 4:
        return QVariant::fromValue(QDBusObjectPath(oneOf(input, objectPaths)));
    case 5:
        return QStringList{text(input), text(input)};
    default:
        return input.ConsumeIntegral<qint64>();
    }
}

UDisksObjects objects(FuzzedDataProvider &input)
{
    UDisksObjects objects;
    for (int count = input.ConsumeIntegralInRange(0, 6); count > 0; --count) {
        UDisksInterfaces &object = objects[QDBusObjectPath(oneOf(input, objectPaths))];
        for (int n = input.ConsumeIntegralInRange(0, 3); n > 0; --n) {
            QVariantMap &properties = object[oneOf(input, interfaces)];
            for (int k = input.ConsumeIntegralInRange(0, 8); k > 0; --k)
                properties.insert(oneOf(input, ::properties), value(input));
        }
    }
    return objects;
}

qsizetype countWith(const UDisksObjects &objects, const QString &interface)
{
    return std::count_if(objects.cbegin(), objects.cend(), [&](const UDisksInterfaces &object) { return object.contains(interface); });
}

// UDisks2 that shows the machine with nothing mounted and refuses every change, so that
// nothing is ever written.
class RefusingUDisks : public UDisks {
public:
    std::optional<UDisksMachine> machine() override { return shown; }
    UDisksReply mount(const QString &) override { return refusal; }
    UDisksReply unmount(const QString &) override { return refusal; }
    UDisksReply format(const QString &, const QString &, const QString &) override { return refusal; }
    UDisksReply rescan(const QString &) override { return refusal; }

    std::optional<UDisksMachine> shown;
    UDisksReply refusal;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const UDisksObjects answer = objects(input);
    UDisksMachine machine = machineFromObjects(answer);

    FUZZ_CHECK(machine.drives.size() == countWith(answer, interfaces[0]));
    FUZZ_CHECK(machine.blocks.size() == countWith(answer, interfaces[1]));
    for (const UDisksDrive &drive : machine.drives)
        FUZZ_CHECK(answer.value(QDBusObjectPath(drive.path)).contains(interfaces[0]));
    for (const UDisksBlock &block : machine.blocks) {
        FUZZ_CHECK(answer.value(QDBusObjectPath(block.path)).contains(interfaces[1]));
        FUZZ_CHECK(block.drive.startsWith(QLatin1Char('/')) && block.size >= 0);
    }

    RefusingUDisks udisks;
    for (UDisksBlock &block : machine.blocks)
        block.mountPoints.clear();
    if (input.ConsumeBool())
        udisks.shown = machine;
    udisks.refusal = {input.ConsumeBool() ? QStringLiteral("org.freedesktop.DBus.Error.NoReply") : text(input), text(input)};
    if (udisks.refusal.ok())
        udisks.refusal.errorName = QStringLiteral("org.freedesktop.UDisks2.Error.Failed");

    const QString device = input.ConsumeBool() ? QString() : text(input);
    FloppyDriveA drive(udisks, device);
    drive.BeginRun({});
    const CopyOutcome outcome = drive.FileCopy(QStringLiteral("/nonexistent/01Samba.sty"), QStringLiteral("05Samba.sty"));
    drive.EndRun();
    FUZZ_CHECK(outcome.code == DriveNotReady || outcome.code == OtherFailure);
    FUZZ_CHECK(drive.mountPoint().isEmpty());
    FUZZ_CHECK(!describeFloppyDrive(udisks, device).isEmpty());
    return 0;
}
