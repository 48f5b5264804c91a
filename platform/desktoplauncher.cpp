#include "desktoplauncher.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

QString DesktopLauncher::openWebPage(const QString &address)
{
    if (QDesktopServices::openUrl(QUrl(address)))
        return {};
    return QCoreApplication::translate("Launcher", "No web browser could be started for %1.").arg(address);
}

QString DesktopLauncher::openHomeFolder()
{
    const QString home = QDir::homePath();
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(home)))
        return {};
    return QCoreApplication::translate("Launcher", "No file manager could be started for the folder %1.").arg(QDir::toNativeSeparators(home));
}
