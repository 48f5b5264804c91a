#include "targetname.h"

namespace {

// Where the character after the one at position begins: a character outside the Basic
// Multilingual Plane takes two UTF-16 units.
qsizetype nextCharacter(const QString &text, qsizetype position)
{
    const bool pair = text.at(position).isHighSurrogate() && position + 1 < text.size()
        && text.at(position + 1).isLowSurrogate();
    return position + (pair ? 2 : 1);
}

} // namespace

QString ReNaMe(const QString &sourcePath)
{
    const qsizetype lastSeparator = std::max(sourcePath.lastIndexOf(QLatin1Char('\\')),
                                             sourcePath.lastIndexOf(QLatin1Char('/')));
    const QString fileName = sourcePath.mid(lastSeparator + 1);
    if (fileName.isEmpty())
        return fileName;
    const qsizetype secondCharacter = nextCharacter(fileName, 0);
    if (secondCharacter == fileName.size())
        return fileName;
    return fileName.mid(nextCharacter(fileName, secondCharacter));
}
