#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of the program: to run with drive A at an optional PATH,
// or to print its help or version and end, or nothing it accepts.
struct CommandLine {
    enum Request { Run, ShowHelp, ShowVersion, Refuse };

    Request request = Run;
    QString drivePath; // PATH, empty when none is given
    QString error;     // why a refused command line is refused
};

// arguments starts with the program's own name, as argv does.
CommandLine parseCommandLine(const QStringList &arguments);

// Ends the program after printing the help (status 0), the version (status 0) or why the
// command line is refused (status 2). Otherwise returns PATH, empty when none is given.
// Needs no display, so it runs before the application is created.
QString drivePathFromCommandLine(int argc, char *argv[]);
