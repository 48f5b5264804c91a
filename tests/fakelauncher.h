#pragma once

#include "launcher.h"

#include <QStringList>

// A launcher that starts nothing and records every request. With failing set it fails
// as a desktop without a browser or file manager would.
class FakeLauncher : public Launcher {
public:
    QStringList webPages;
    int homeFolderOpenings = 0;
    bool failing = false;

    QString openWebPage(const QString &address) override
    {
        webPages.append(address);
        return failing ? "No web browser could be started for " + address + "." : QString();
    }

    QString openHomeFolder() override
    {
        ++homeFolderOpenings;
        return failing ? QStringLiteral("No file manager could be started for the home folder.") : QString();
    }
};
