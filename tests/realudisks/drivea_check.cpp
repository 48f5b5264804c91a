// Drive A against whatever UDisks2 answers on the system bus, for scripts/check-real-udisks.sh:
//     drivea_check describe [--drive DRIVE]
//     drivea_check format LABEL [--drive DRIVE]
//     drivea_check copy STYLE... [--drive DRIVE]
// DRIVE is what the program takes on its command line; without it, the machine's floppy
// drive. Prints what the user would read; exits 0 when drive A did what was asked.

#include "copyrun.h"
#include "drivechoice.h"
#include "messageboxes.h"
#include "udisks.h"

#include <QCoreApplication>
#include <QTextStream>

#include <array>

namespace {

class PrintedMessages : public MessageBoxes {
public:
    void MsgBox(const QString &prompt, int, const QString &) override { last = prompt; }
    bool Question(QWidget *, const QString &, const QString &) override { return true; }
    QString last;
};

int copyStyles(const DriveAChoice &choice, const QStringList &styles)
{
    GroupBoard board;
    for (int i = 0; i < styles.size() && i < GroupCount; ++i) {
        board.insertEntries(i + 1, 0, {styles[i]});
        board.setState(i + 1, GroupState::Waiting);
    }
    ChosenDriveA drive(choice);
    PrintedMessages messages;
    reportRun(copyGroups(planRun(board), drive), messages);
    QTextStream(stdout) << "copy: " << messages.last << Qt::endl;
    return messages.last.trimmed() == QLatin1String("READY !") ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    const QString command = arguments.value(0);
    QString drive;
    if (const qsizetype option = arguments.indexOf(QStringLiteral("--drive")); option > 0) {
        drive = arguments.value(option + 1);
        arguments = arguments.mid(0, option);
    }
    SystemUDisks udisks;
    QTextStream out(stdout);
    if (command == QLatin1String("describe")) {
        out << "drive A: " << DriveAChoice(drive, udisks).description() << Qt::endl;
        return 0;
    }
    if (command == QLatin1String("format") && arguments.size() >= 2) {
        DriveAChoice choice(drive, udisks);
        const std::unique_ptr<DriveAFormat> format = choice.driveForFormat();
        const QString failure = format->whyNotPossible().isEmpty() ? format->erase(arguments[1]).reason : format->whyNotPossible();
        out << "format: " << (failure.isEmpty() ? QStringLiteral("done") : failure) << Qt::endl;
        return failure.isEmpty() ? 0 : 1;
    }
    if (command == QLatin1String("copy") && arguments.size() >= 2)
        return copyStyles(DriveAChoice(drive, udisks), arguments.mid(1));
    QTextStream(stderr) << "usage: drivea_check describe | format LABEL | copy STYLE..., each with [--drive DRIVE]"
                        << Qt::endl;
    return 2;
}
