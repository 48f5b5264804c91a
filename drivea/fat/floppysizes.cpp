#include "floppysizes.h"

#include "drivea.h"

#include <QLocale>

#include <algorithm>

namespace {

constexpr qint64 floppyMegabyte = 1000 * 1024;

} // namespace

bool isFloppySize(qint64 bytes)
{
    return std::any_of(floppySizes.begin(), floppySizes.end(), [&](const FloppySize &floppy) { return floppy.bytes == bytes; });
}

FloppySize floppyHolding(qint64 dataBytes)
{
    const auto holding = std::find_if(floppySizes.begin(), floppySizes.end(),
                                      [&](const FloppySize &floppy) { return dataBytes <= floppy.bytes; });
    return holding == floppySizes.end() ? floppySizes.back() : *holding;
}

QString sizeText(qint64 bytes)
{
    if (bytes < floppyMegabyte)
        return driveText("%1 KB").arg((bytes + 1023) / 1024);
    return driveText("%1 MB").arg(double(bytes) / floppyMegabyte, 0, 'f', 1);
}

QString capacityText(qint64 bytes)
{
    if (bytes <= 0)
        return {};
    if (bytes > largestFloppy)
        return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
    if (isFloppySize(bytes) && bytes >= floppyMegabyte)
        return driveText("%1 MB").arg(QString::number(double(bytes) / floppyMegabyte, 'g', 3));
    return sizeText(bytes);
}

QString freeText(qint64 bytes)
{
    return driveText("%1 KB free").arg(bytes / 1024);
}
