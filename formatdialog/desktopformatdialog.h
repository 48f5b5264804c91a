#pragma once

#include "diskcare.h"
#include "formatdialog.h"

#include <QThreadPool>

#include <functional>
#include <memory>

class DriveAFormat;
class MessageBoxes;

// The format dialog of this program. It shows what drive A is and what its disk holds, and,
// when drive A is a floppy disk or a floppy image, erases it, backs it up to a folder
// first if the user wants; for a numbered image it can instead start the next blank image.
class DesktopFormatDialog : public FormatDialog {
public:
    using DriveALookup = std::function<std::unique_ptr<DriveAFormat>()>;

    // Drive A is looked up again each time the dialog opens; the erase question is one
    // of messages.
    DesktopFormatDialog(DriveALookup lookUpDriveA, MessageBoxes &messages, DiskCare care = {});
    // Waits for the looks at drive A that a dialog closed early left running.
    ~DesktopFormatDialog() override;

    int SHFormatDrive(QWidget *owner, unsigned drive, unsigned formatId, unsigned options) override;
    std::optional<DiskId> erasedDisk() const override { return lastErased; }

private:
    DriveALookup lookUpDriveA;
    MessageBoxes &messages;
    DiskCare care;
    std::optional<DiskId> lastErased;
    // Drive A is looked at and written by these threads, which end before what they use.
    QThreadPool workers;
};
