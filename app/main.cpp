#include "application.h"
#include "desktopformatdialog.h"
#include "desktoplauncher.h"
#include "desktopmessageboxes.h"
#include "driveaformat.h"
#include "folderdrive.h"
#include "frmdupliva.h"

int main(int argc, char *argv[])
{
    ReportingApplication app(argc, argv);
    substituteDesignFonts();

    // Drive A is the folder that DUPLIVA_DRIVE_A names.
    FolderDriveA drive(qEnvironmentVariable("DUPLIVA_DRIVE_A"));
    DesktopMessageBoxes messages;
    DesktopLauncher launcher;
    DesktopFormatDialog formatDialog([&drive] {
        return std::make_unique<UnformattableDriveA>(QStringLiteral("the folder %1").arg(drive.folder()),
                                                     QStringLiteral("A folder cannot be formatted."));
    });

    frmDupliva window({drive, messages, launcher, formatDialog});
    messages.setParent(&window);
    app.reportFailuresWith(messages);
    window.show();
    return app.exec();
}
