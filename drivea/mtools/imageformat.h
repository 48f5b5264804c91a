#pragma once

#include "driveaformat.h"

#include <QString>

// Erasing and creating floppy images, for the format dialog: each gives the image or the
// device that it erased or made.

// Erases the floppy image at path, keeping its size, and gives it the volume label
// (volumeLabel() of what was typed; empty for none). An image that does not exist yet
// is created at 1.44 MB. A file that is not of a floppy's size is not touched.
Result<QString> formatImage(const QString &path, const QString &label);

// Erases the disk in a floppy drive's block device, whose size is size bytes, as an image
// of that size. The label must already suit FAT.
Result<QString> formatDevice(const QString &device, qint64 size, const QString &label);

// Creates a blank floppy image of size bytes at path with the volume label; never over
// an existing file.
Result<QString> createBlankImage(const QString &path, qint64 size, const QString &label);

// The image that an emulator user takes after the one at path: its name's number before
// the extension counted up to the next one that no file has, in the same folder, with
// the same prefix and the same width ("DSKA0003.IMG" gives "DSKA0004.IMG"; only a single
// digit may grow: "disk9" gives "disk10"). Empty if the name ends in no number, or no
// free number of that width follows.
QString nextImagePath(const QString &path);

// Creates the image that follows the one at currentPath, blank, of the same size.
Result<QString> createNextImage(const QString &currentPath, const QString &label);
