#pragma once

#include "formatdialog.h"

#include <functional>
#include <memory>

class DriveAFormat;
class MessageBoxes;

// The format dialog of this program. It shows what drive A is and, when drive A is a
// floppy disk or a floppy image, erases it; for a numbered image it can instead start
// the next blank image.
class DesktopFormatDialog : public FormatDialog {
public:
    using DriveALookup = std::function<std::unique_ptr<DriveAFormat>()>;

    // Drive A is looked up again each time the dialog opens; the erase question is one
    // of messages.
    DesktopFormatDialog(DriveALookup lookUpDriveA, MessageBoxes &messages);

    int SHFormatDrive(QWidget *owner, unsigned drive, unsigned formatId, unsigned options) override;

private:
    DriveALookup lookUpDriveA;
    MessageBoxes &messages;
};
