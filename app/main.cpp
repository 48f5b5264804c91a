#include "application.h"
#include "commandline.h"
#include "desktopformatdialog.h"
#include "desktoplauncher.h"
#include "desktopmessageboxes.h"
#include "firstshown.h"
#include "folderdrive.h"
#include "frmdupliva.h"
#include "launcherentryprogress.h"

int main(int argc, char *argv[])
{
    const QString drivePath = drivePathFromCommandLine(argc, argv);
    chooseWindowSystem();
    ReportingApplication app(argc, argv);
    substituteDesignFonts();
    exitWhenFirstShownIfAsked();

    // Drive A is the folder that PATH names, or else DUPLIVA_DRIVE_A.
    FolderDriveA drive(drivePath.isEmpty() ? qEnvironmentVariable("DUPLIVA_DRIVE_A") : drivePath);
    DesktopMessageBoxes messages;
    DesktopLauncher launcher;
    DesktopFormatDialog formatDialog(drive.folder());
    LauncherEntryProgress taskBarProgress;

    frmDupliva window({drive, messages, launcher, formatDialog, &taskBarProgress});
    messages.setParent(&window);
    app.reportFailuresWith(messages);
    window.show();
    return app.exec();
}
