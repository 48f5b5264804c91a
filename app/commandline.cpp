#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace {

const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("Shows this help and ends."));
const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                       QStringLiteral("Shows the version and ends."));

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Copies arranger keyboard styles to drive A, each group under its own number \"01\" to \"20\"."));
    // "-platform" is one unknown option, not eight single-letter ones.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(helpOption);
    parser.addOption(versionOption);
    parser.addPositionalArgument(
        QStringLiteral("PATH"),
        QStringLiteral("Drive A: a folder, a floppy image file, or a floppy drive's block device such as "
                       "/dev/fd0. Without it, drive A is what the environment variable DUPLIVA_DRIVE_A names, "
                       "else the floppy drive found through UDisks2."),
        QStringLiteral("[PATH]"));
}

// What the command line asks of the program: to run with drive A at an optional PATH,
// or to print its help or version and end, or nothing it accepts.
struct CommandLine {
    enum Request { Run, ShowHelp, ShowVersion, Refuse };

    Request request = Run;
    QString drivePath; // PATH, empty when none is given
    QString error;     // why a refused command line is refused
};

void print(FILE *stream, const QString &text)
{
    std::fputs(qPrintable(text), stream);
    std::fflush(stream);
}

// arguments starts with the program's own name, as argv does.
CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments))
        return {CommandLine::Refuse, {}, parser.errorText()};
    if (parser.isSet(helpOption))
        return {CommandLine::ShowHelp};
    if (parser.isSet(versionOption))
        return {CommandLine::ShowVersion};
    const QStringList paths = parser.positionalArguments();
    if (paths.size() > 1)
        return {CommandLine::Refuse, {},
                QStringLiteral("Only one PATH may be given, not %1: %2.").arg(paths.size()).arg(paths.join(u' '))};
    return {CommandLine::Run, paths.value(0)};
}

} // namespace

QString drivePathFromCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine command = parseCommandLine(arguments);
    if (command.request == CommandLine::Run)
        return command.drivePath;

    const QString program = QFileInfo(arguments.value(0, QStringLiteral("dupliva"))).fileName();
    switch (command.request) {
    case CommandLine::ShowVersion:
        print(stdout, QStringLiteral("Dupliva %1\n").arg(QStringLiteral(DUPLIVA_VERSION)));
        std::exit(EXIT_SUCCESS);
    case CommandLine::ShowHelp: {
        // The help names the program as the application does, so it needs one.
        QCoreApplication textOnly(argc, argv);
        QCommandLineParser parser;
        describe(parser);
        print(stdout, parser.helpText());
        std::exit(EXIT_SUCCESS);
    }
    default:
        print(stderr, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(program, command.error));
        std::exit(2);
    }
}
