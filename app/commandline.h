#pragma once

#include <QStringList>

// Before the application exists: whether the command line names a window system itself
// ("-platform NAME"), which then wins over any choice of the program's.
bool windowSystemGiven(int argc, char *argv[]);

// Before the application exists: a command line that asks only for the help or the
// version needs no display, and runs offscreen when there is none.
void needNoDisplayForText(int argc, char *argv[]);

// Drive A: the path given on the command line, else DUPLIVA_DRIVE_A, else none (the
// machine's floppy drive). A path keeps its bytes, also those that are no UTF-8.
QString givenDriveA(const QString &commandLinePath);

// Reads the command line "dupliva [PATH]", where PATH is drive A, once the application
// has taken Qt's own options (-platform, -style, -reverse, -display and the others) out of
// argv. Ends the program after printing the help or the version (status 0), after
// "--find TEXT" or "--back-up FOLDER" (their own status), or after telling why the command
// line is refused (status 2); otherwise returns PATH, empty when none is given.
// PATH keeps its bytes, also those that are no UTF-8 (see localname.h).
QString drivePathFromCommandLine(int argc, char *argv[]);
