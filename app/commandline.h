#pragma once

#include <QString>

// Reads the command line: "dupliva [PATH]", where PATH is drive A. Ends the program after
// printing the help (status 0), the version (status 0) or why the command line is refused
// (status 2); otherwise returns PATH, empty when none is given. Needs no display, so it runs
// before the application is created.
QString drivePathFromCommandLine(int argc, char *argv[]);
