#pragma once

#include "drivemedium.h"

// Drive A as an ordinary folder, which fills no disks and cannot be formatted.
std::unique_ptr<DriveAMedium> folderMedium(const QString &folder);
