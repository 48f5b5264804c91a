#pragma once

#include "drivemedium.h"

class UDisks;

// Drive A as a floppy drive that UDisks2 knows: the machine's own when device is empty,
// else the block device that the user named. udisks must outlive what is made of it.
std::unique_ptr<DriveAMedium> floppyMedium(UDisks &udisks, const QString &device);
