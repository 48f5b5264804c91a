#include "desktoplauncher.h"

#include "failure.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

void DesktopLauncher::openWebPage(const QString &address)
{
    if (!QDesktopServices::openUrl(QUrl(address)))
        throw UnexpectedFailure(QStringLiteral("No web browser could be started for %1.")
                                    .arg(address)
                                    .toStdString());
}

void DesktopLauncher::openHomeFolder()
{
    const QString home = QDir::homePath();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(home)))
        throw UnexpectedFailure(QStringLiteral("No file manager could be started for the folder %1.")
                                    .arg(QDir::toNativeSeparators(home))
                                    .toStdString());
}
