#include "application.h"
#include "desktopformatdialog.h"
#include "desktoplauncher.h"
#include "desktopmessageboxes.h"
#include "folderdrive.h"
#include "frmdupliva.h"
#include "launcherentryprogress.h"

int main(int argc, char *argv[])
{
    chooseWindowSystem();
    ReportingApplication app(argc, argv);
    substituteDesignFonts();

    // Drive A is the folder that DUPLIVA_DRIVE_A names.
    FolderDriveA drive(qEnvironmentVariable("DUPLIVA_DRIVE_A"));
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
