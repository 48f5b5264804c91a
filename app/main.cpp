#include "application.h"
#include "backgroundwork.h"
#include "desktopformatdialog.h"
#include "desktoplauncher.h"
#include "desktopmessageboxes.h"
#include "drivechoice.h"
#include "frmdupliva.h"
#include "udisks.h"

int main(int argc, char *argv[])
{
    ReportingApplication app(argc, argv);
    substituteDesignFonts();

    // Drive A is the path given on the command line, else DUPLIVA_DRIVE_A, else the
    // machine's floppy drive.
    SystemUDisks udisks;
    DriveAChoice choice(app.arguments().value(1, qEnvironmentVariable("DUPLIVA_DRIVE_A")), udisks);
    ChosenDriveA chosenDrive(choice);
    BackgroundDriveA drive(chosenDrive);
    DesktopMessageBoxes messages;
    DesktopLauncher launcher;
    DesktopFormatDialog formatDialog([&choice] { return choice.driveForFormat(); });

    frmDupliva window({drive, messages, launcher, formatDialog, [&choice] { return choice.description(); }});
    messages.setParent(&window);
    app.reportFailuresWith(messages);
    window.show();
    return app.exec();
}
