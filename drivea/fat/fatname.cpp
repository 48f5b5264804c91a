#include "fatname.h"

#include "drivea.h"

namespace {

constexpr qsizetype longestName = 255;

// Whether c may stand in a short (8.3) name as FAT stores it: an ASCII letter or digit,
// or one of ! # $ % & ' ( ) - @ ^ _ ` { } ~.
bool isShortNameCharacter(QChar c)
{
    if (c.unicode() >= 128)
        return false;
    return c.isLetterOrNumber() || QLatin1String("!#$%&'()-@^_`{}~").contains(c);
}

bool isShortNamePart(QStringView part, qsizetype most)
{
    if (part.isEmpty() || part.size() > most)
        return false;
    return std::all_of(part.begin(), part.end(), isShortNameCharacter);
}

bool fitsEightDotThree(const QString &name)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return isShortNamePart(name, 8);
    return isShortNamePart(QStringView(name).left(dot), 8) && isShortNamePart(QStringView(name).mid(dot + 1), 3);
}

} // namespace

QString whyFatCannotStore(const QString &name)
{
    if (name.isEmpty())
        return driveText("The name on drive A is empty");
    if (name.size() > longestName)
        return driveText("The name %1 is longer than the %2 characters that a floppy disk allows").arg(name).arg(longestName);
    for (const QChar c : name) {
        if (c.unicode() < 32 || QLatin1String("\"*/:<>?\\|").contains(c))
            return driveText("The name %1 holds the character \"%2\", which a floppy disk cannot store")
                .arg(name, c.unicode() < 32 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c));
    }
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return driveText("The name %1 ends in a dot or a blank, which a floppy disk drops").arg(name);
    return {};
}

QString fatDiskName(const QString &name)
{
    return fitsEightDotThree(name) ? name.toUpper() : name;
}

int directoryEntries(const QString &name)
{
    constexpr qsizetype charactersPerEntry = 13;
    if (fitsEightDotThree(name) && (name == name.toUpper() || name == name.toLower()))
        return 1;
    return int(1 + (name.size() + charactersPerEntry - 1) / charactersPerEntry);
}

int directoryEntries(const QStringList &names)
{
    int entries = 0;
    for (const QString &name : names)
        entries += directoryEntries(name);
    return entries;
}

QString volumeLabel(const QString &typed)
{
    QString label = typed.toUpper();
    while (label.endsWith(QLatin1Char(' ')))
        label.chop(1);
    return label;
}

QString whyNotVolumeLabel(const QString &label)
{
    constexpr qsizetype longestLabel = 11;
    if (label.size() > longestLabel)
        return driveText("The volume label %1 is longer than %2 characters").arg(label).arg(longestLabel);
    for (const QChar c : label) {
        if (c != QLatin1Char(' ') && (!isShortNameCharacter(c) || c.isLower()))
            return driveText("The volume label %1 holds \"%2\": a volume label may hold only the letters A to Z, "
                                  "digits, blanks and ! # $ % & ' ( ) - @ ^ _ ` { } ~")
                .arg(label, QString(c));
    }
    return {};
}
