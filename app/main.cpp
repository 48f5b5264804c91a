#include "application.h"
#include "catalogueddrive.h"
#include "commandline.h"
#include "desktopformatdialog.h"
#include "desktoplauncher.h"
#include "desktopmessageboxes.h"
#include "drivechoice.h"
#include "frmdupliva.h"
#include "groupboard.h"
#include "launcherentryprogress.h"
#include "privatefolder.h"
#include "terminationsignals.h"
#include "udisks.h"

#include <QFileDialog>

namespace {

DiskCare careForDisk(const DriveAChoice &choice, UDisks &udisks)
{
    return {
        [&choice, &udisks] { return lookAtDisk(choice.path(), udisks); },
        [&choice, &udisks](const QString &folder, const BackUpProgress &progress) {
            return backUpAndRecord(choice.path(), folder, udisks, progress);
        },
        forgetErasedDisk,
        [](QWidget *owner) {
            return QFileDialog::getExistingDirectory(owner, QCoreApplication::translate("FormatDialog", "Back up to a folder"));
        },
    };
}

// "Where is this style?" asks the catalogue of disks on the window's thread.
StylePlaces placesInCatalogue(const QString &source)
{
    const Catalogue catalogue = Catalogue::open();
    StylePlaces places;
    for (const FoundStyle &style : catalogue.placesOf(source)) {
        const QString group = style.group > 0 ? QCoreApplication::translate("Catalogue", "%1 in group %2: ").arg(style.name, groupPrefix(style.group))
                                              : style.name + QLatin1String(": ");
        places.lines.append(group + diskCopyText({style.disk, style.when}));
    }
    places.error = catalogue.error();
    return places;
}

} // namespace

int main(int argc, char *argv[])
{
    needNoDisplayForText(argc, argv);
    if (!windowSystemGiven(argc, argv))
        chooseWindowSystem();
    DuplivaApplication app(argc, argv);
    // kill, a closed terminal and Ctrl+C end the program as a logout does, never in the
    // middle of writing drive A.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::arrived, &app, endAsTheSessionEnds);
    app.setApplicationVersion(QStringLiteral(DUPLIVA_VERSION));
    const QString drivePath = drivePathFromCommandLine(argc, argv);
    substituteDesignFonts();

    SystemUDisks udisks;
    DriveAChoice choice(givenDriveA(drivePath), udisks);
    DesktopMessageBoxes messages;
    // Written by the copy run's worker thread; a catalogue that fails is told on this one.
    ChosenDriveA chosenDrive(choice);
    CataloguedDriveA drive(chosenDrive, [&app, &messages](const QString &why) {
        QMetaObject::invokeMethod(&app, [&messages, why] { messages.MsgBox(why, MsgInformation, QString()); }, Qt::QueuedConnection);
    });
    DesktopLauncher launcher;
    DesktopFormatDialog formatDialog([&choice] { return choice.driveForFormat(); }, messages, careForDisk(choice, udisks));
    LauncherEntryProgress taskBarProgress;

    frmDupliva window(
        {drive, messages, launcher, formatDialog, [&choice] { return choice.description(); }, &taskBarProgress,
         [&choice](const QList<RunGroup> &groups) { return choice.describeRun(groups); }, placesInCatalogue});
    messages.setParent(&window);
    removeLeftoverPrivateFolders();
    window.show();
    return app.exec();
}
