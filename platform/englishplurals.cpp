#include "englishplurals.h"

QString EnglishPlurals::translate(const char *, const char *sourceText, const char *, int n) const
{
    const QString text = QString::fromUtf8(sourceText);
    if (n < 0 || !text.contains(QLatin1String("(s)")))
        return {};
    return QString(text).replace(QLatin1String("(s)"), n == 1 ? QString() : QStringLiteral("s"));
}
