#pragma once

#include "formatdialog.h"

#include <functional>
#include <memory>

class DriveAFormat;
class QDialog;

// The format dialog of this program. It shows what drive A is and, when drive A is a
// floppy disk or a floppy image, erases it; for a numbered image it can instead start
// the next blank image.
class DesktopFormatDialog : public FormatDialog {
public:
    using DriveALookup = std::function<std::unique_ptr<DriveAFormat>()>;

    // Drive A is looked up again each time the dialog opens.
    explicit DesktopFormatDialog(DriveALookup lookUpDriveA);

    int SHFormatDrive(QWidget *owner, unsigned drive, unsigned formatId, unsigned options) override;

    // The dialog for a drive, built but not shown; its result is that of SHFormatDrive.
    static std::unique_ptr<QDialog> createDialog(QWidget *owner, std::unique_ptr<DriveAFormat> drive);

private:
    DriveALookup lookUpDriveA;
};
