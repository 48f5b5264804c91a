#pragma once

#include "catalogue.h"

#include <QString>

#include <functional>

class UDisks;

struct BackUp {
    DiskId disk;
    QString folder; // the new folder that holds the copies; empty when none was made
    bool diskRead = false; // the disk's files were read, whether or not all were copied
    QList<FileOnDisk> files; // every file in the root of the disk, as the disk was read
    QString error; // empty when every file of the disk was copied and checked
    QString catalogueNote; // why the catalogue could not keep the disk, or that a damaged one was moved aside
};

// Told of each file once its copy reads back the same as the disk, with how many of how
// many files are done.
using BackUpProgress = std::function<void(const FileOnDisk &file, int done, int total)>;

// Copies every file in the root of the disk in drive A (see readDriveA) into a new folder
// in intoFolder, named after the disk's label, serial number and today's date
// ("KORVANA1 1A2B-3C4D 2026-12-08", else with " (2)" and so on), byte for byte, and
// checks each copy against the disk. Never writes over anything.
BackUp backUpDriveA(const QString &driveA, const QString &intoFolder, UDisks &udisks, const BackUpProgress &progress);
