#include "desktoplauncher.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

QString DesktopLauncher::openWebPage(const QString &address)
{
    if (QDesktopServices::openUrl(QUrl(address)))
        return {};
    return QStringLiteral("No web browser could be started for %1.").arg(address);
}

QString DesktopLauncher::openHomeFolder()
{
    const QString home = QDir::homePath();
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(home)))
        return {};
    return QStringLiteral("No file manager could be started for the folder %1.").arg(QDir::toNativeSeparators(home));
}
