#pragma once

#include <QString>

#include <array>

// The standard floppy disks: their size, and the entries of their root directory.
struct FloppySize {
    qint64 bytes;
    int rootEntries;
};

constexpr FloppySize floppy720K{737'280, 112};
constexpr FloppySize floppy1200K{1'228'800, 224};
constexpr FloppySize floppy1440K{1'474'560, 224};
constexpr FloppySize floppy2880K{2'949'120, 240};
constexpr std::array<FloppySize, 4> floppySizes{floppy720K, floppy1200K, floppy1440K, floppy2880K};
constexpr qint64 largestFloppy = floppy2880K.bytes;

bool isFloppySize(qint64 bytes);

// The smallest floppy whose data area holds dataBytes; the largest when none does.
FloppySize floppyHolding(qint64 dataBytes);

// An amount of data in the units of floppy labels: KB of 1024 bytes and, from 1000 KB on,
// MB of 1000 KB to a tenth: "600 KB", "1.5 MB".
QString sizeText(qint64 bytes);

// A disk's capacity: a floppy as its label names it ("720 KB", "1.44 MB"), any other disk
// as large as a floppy as sizeText() gives it, and a larger one as its maker labels it
// ("16.0 GB"). Empty when unknown.
QString capacityText(qint64 bytes);

// Free room in whole KB: "713 KB free".
QString freeText(qint64 bytes);
