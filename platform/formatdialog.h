#pragma once

class QWidget;

// Results of the format dialog besides success (0 or more).
enum FormatResult : int {
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
};
