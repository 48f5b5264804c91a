#pragma once

#include "benchcommon.h"
#include "catalogueddrive.h"

// A copy run with each group written into a catalogue of its own in folder, as the program
// runs it; a catalogue that fails ends the benchmark.
inline qint64 timeCataloguedRun(const QStringList &styles, DriveA &drive, const QString &folder, int groups = GroupCount)
{
    CataloguedDriveA catalogued(drive, [](const QString &why) { qFatal("%s", qPrintable(why)); },
                                folder + QStringLiteral("/catalogue.sqlite"));
    return timeCopyRun(styles, catalogued, groups);
}
