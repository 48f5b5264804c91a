#pragma once

#include "drivemedium.h"

// Drive A as a floppy image file, also one that "Format A:\" is still to make.
std::unique_ptr<DriveAMedium> imageMedium(const QString &image);
