#pragma once

#include "diskid.h"

#include <optional>

class QWidget;

// Results of the format dialog: success is 0 or more, as with the old system call.
enum FormatResult : int {
    FormatDone = 0,
    FormatError = -1,
    FormatCancelled = -2,
    FormatNotPossible = -3,
};

class FormatDialog {
public:
    virtual ~FormatDialog() = default;

    // Shows the format dialog for a drive (0 is drive A), modal to owner, and
    // returns when the user closes it.
    virtual int SHFormatDrive(QWidget *owner, unsigned drive, unsigned formatId, unsigned options) = 0;

    // The disk that the last dialog erased, as it was before: the groups that were copied to
    // it are on no disk now. None when nothing was erased.
    virtual std::optional<DiskId> erasedDisk() const { return std::nullopt; }
};
