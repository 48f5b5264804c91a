#include "targetname.h"

QString ReNaMe(const QString &sourcePath)
{
    const qsizetype lastSeparator = std::max(sourcePath.lastIndexOf(QLatin1Char('\\')),
                                             sourcePath.lastIndexOf(QLatin1Char('/')));
    const QString fileName = sourcePath.mid(lastSeparator + 1);
    return fileName.size() >= 2 ? fileName.mid(2) : fileName;
}
