#include "commandline.h"

#include "localname.h"

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

} // namespace

bool windowSystemGiven(int argc, char *argv[])
{
    return anyArgument(argc, argv, {"-platform", "--platform"});
}

void needNoDisplayForText(int argc, char *argv[])
{
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !windowSystemGiven(argc, argv);
    if (noDisplay && anyArgument(argc, argv, {"-h", "--help", "--help-all", "-v", "--version"}))
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
    return paths.value(0);
}
