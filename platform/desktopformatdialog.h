#pragma once

#include "formatdialog.h"

#include <QString>

#include <memory>

class QDialog;

// What a drive is, as far as formatting goes.
struct FormatTarget {
    enum Kind {
        NotSetUp,
        Folder, // a folder on this computer stands in for the floppy
    };

    unsigned drive = 0; // 0 is A
    Kind kind = NotSetUp;
    QString folder;
};

// The format dialog of this program. Drive A is a folder on this computer, or not set up
// at all; neither can be formatted, and the dialog says so.
class DesktopFormatDialog : public FormatDialog {
public:
    // An empty folder means that drive A is not set up.
    explicit DesktopFormatDialog(QString driveAFolder);

    int SHFormatDrive(QWidget *owner, unsigned drive, unsigned formatId, unsigned options) override;

    FormatTarget target(unsigned drive) const;

    // The dialog for a target, built but not shown.
    static std::unique_ptr<QDialog> createDialog(QWidget *owner, const FormatTarget &target);

private:
    QString driveAFolder;
};
