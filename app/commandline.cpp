#include "commandline.h"

#include "catalogue.h"
#include "disklook.h"
#include "localname.h"
#include "udisks.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace {

bool anyArgument(int argc, char *argv[], std::initializer_list<const char *> names)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *name : names) {
            if (qstrcmp(argv[i], name) == 0)
                return true;
        }
    }
    return false;
}

[[noreturn]] void refuse(const QString &why)
{
    const QString program = QFileInfo(QCoreApplication::arguments().value(0, QStringLiteral("dupliva"))).fileName();
    std::fputs(localName(QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(program, why)), stderr);
    std::exit(2);
}

QString commandLineText(const char *text)
{
    return QCoreApplication::translate("CommandLine", text);
}

void print(std::FILE *stream, const QString &line)
{
    std::fputs(localName(line + QLatin1Char('\n')).constData(), stream);
    std::fflush(stream);
}

// One line per style: its name on the disk, group, the disk's label and serial number, the
// image file, and when it was written; 0 when any is found, 1 when none is, 2 when the
// catalogue cannot be read.
// A damaged catalogue moved aside is told once, when it is found.
Catalogue openCatalogue()
{
    Catalogue catalogue = Catalogue::open();
    if (!catalogue.movedAside().isEmpty())
        print(stderr, catalogue.movedAside());
    return catalogue;
}

int printFoundStyles(const QString &text)
{
    const Catalogue catalogue = openCatalogue();
    const QList<FoundStyle> found = catalogue.find(text);
    if (!catalogue.error().isEmpty()) {
        print(stderr, catalogue.error());
        return 2;
    }
    for (const FoundStyle &style : found)
        print(stdout, foundStyleLine(style));
    return found.isEmpty() ? 1 : 0;
}

// Copies the disk in drive A into a new folder in intoFolder, a line per file, and records
// what the disk holds in the catalogue; 0 when every file was copied and checked.
int backUpDisk(const QString &intoFolder, const QString &driveA)
{
    SystemUDisks udisks;
    const BackUp backUp = backUpAndRecord(driveA, absolutePath(intoFolder), udisks, [](const FileOnDisk &file, int, int) {
        print(stdout, commandLineText("%1 (%2 bytes) copied and checked").arg(file.name).arg(file.size));
    });
    if (!backUp.catalogueNote.isEmpty())
        print(stderr, backUp.catalogueNote);
    if (!backUp.error.isEmpty()) {
        print(stderr, commandLineText("The back-up failed: %1").arg(backUp.error));
        if (!backUp.folder.isEmpty())
            print(stderr, commandLineText("%1 holds only part of the disk.").arg(backUp.folder));
        return 1;
    }
    const int copied = int(backUp.files.size());
    print(stdout, QCoreApplication::translate("CommandLine", copied == 1 ? "%n file backed up in %1" : "%n files backed up in %1", nullptr, copied)
                      .arg(backUp.folder));
    return 0;
}

} // namespace

QString givenDriveA(const QString &commandLinePath)
{
    return commandLinePath.isEmpty() ? fromLocalName(qgetenv("DUPLIVA_DRIVE_A")) : commandLinePath;
}

bool windowSystemGiven(int argc, char *argv[])
{
    return anyArgument(argc, argv, {"-platform", "--platform"});
}

void needNoDisplayForText(int argc, char *argv[])
{
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !windowSystemGiven(argc, argv);
    if (noDisplay && anyArgument(argc, argv, {"-h", "--help", "--help-all", "-v", "--version", "--find", "--back-up"}))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString drivePathFromCommandLine(int argc, char *argv[])
{
    // QCoreApplication::arguments() would lose the bytes of a path that are no UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(fromLocalName(argv[i]));
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine", "Copies arranger keyboard styles to drive A, each group under its own number \"01\" to \"20\"."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption find(QStringLiteral("find"),
                                  QCoreApplication::translate("CommandLine", "Lists the catalogued styles whose name on the disk or source file name contains TEXT, in any case, and ends."),
                                  QStringLiteral("TEXT"));
    const QCommandLineOption backUp(QStringLiteral("back-up"),
                                    QCoreApplication::translate("CommandLine", "Copies every file of the disk in drive A into a new folder in FOLDER, and ends."),
                                    QStringLiteral("FOLDER"));
    parser.addOptions({find, backUp});
    parser.addPositionalArgument(
        QStringLiteral("PATH"),
        QCoreApplication::translate("CommandLine",
                                    "Drive A: a folder, a floppy image file, or a floppy drive's block device such as "
                                    "/dev/fd0. Without it, drive A is what the environment variable DUPLIVA_DRIVE_A "
                                    "names, else the floppy drive found through UDisks2."),
        QStringLiteral("[PATH]"));
    if (!parser.parse(arguments))
        refuse(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        parser.process(arguments); // prints the help, with Qt's own options for --help-all, and ends
    if (parser.isSet(version))
        parser.showVersion();
    const QStringList paths = parser.positionalArguments();
    if (paths.size() > 1)
        refuse(QCoreApplication::translate("CommandLine", "Only one PATH may be given, not %1: %2.")
                   .arg(paths.size())
                   .arg(paths.join(u' ')));
    if (parser.isSet(find))
        std::exit(printFoundStyles(parser.value(find)));
    if (parser.isSet(backUp))
        std::exit(backUpDisk(parser.value(backUp), givenDriveA(paths.value(0))));
    return paths.value(0);
}
