#include "floppymedium.h"

#include "fatname.h"
#include "floppies.h"
#include "floppydrive.h"

namespace {

class FloppyFormat : public DriveAFormat {
public:
    FloppyFormat(UDisks &udisks, QString device)
        : udisks(udisks)
        , device(std::move(device))
    {
    }

    QString description() const override { return describeFloppyDrive(udisks, device); }

    QString whyNotPossible() const override
    {
        const std::optional<UDisksMachine> machine = udisks.machine();
        if (!machine || (device.isEmpty() && floppyDrives(*machine).isEmpty()))
            return driveText("No floppy drive was found, so there is nothing to format.");
        if (device.isEmpty())
            return {};
        const std::optional<UDisksFloppy> named = namedBlockDevice(*machine, device);
        if (!named)
            return driveText("The system does not know the drive %1.").arg(device);
        if (named->block.size > largestFloppy)
            return driveText("%1 holds %2, more than a floppy disk, so it is not formatted here.")
                .arg(device, capacityText(named->block.size));
        return {};
    }

    CopyOutcome erase(const QString &label) override { return formatFloppyDisk(udisks, device, volumeLabel(label)); }

private:
    UDisks &udisks;
    QString device;
};

class FloppyMedium : public DriveAMedium {
public:
    FloppyMedium(UDisks &udisks, QString device) : udisks(udisks), device(std::move(device)) {}

    std::unique_ptr<DriveA> driveForRun() const override { return std::make_unique<FloppyDriveA>(udisks, device); }

    std::unique_ptr<DriveAFormat> driveForFormat(const ImageMade &) const override
    {
        return std::make_unique<FloppyFormat>(udisks, device);
    }

    QString description() const override { return describeFloppyDrive(udisks, device); }

    QString describeRun(const QList<RunGroup> &groups) const override
    {
        const std::optional<DiskRoom> room = mountedFloppyRoom(udisks, device);
        return room ? describePlan(planDisks(*room, groups)) : QString();
    }

private:
    UDisks &udisks;
    QString device;
};

} // namespace

std::unique_ptr<DriveAMedium> floppyMedium(UDisks &udisks, const QString &device)
{
    return std::make_unique<FloppyMedium>(udisks, device);
}
