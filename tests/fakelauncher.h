#pragma once

#include "failure.h"
#include "launcher.h"

#include <QStringList>

// A launcher that starts nothing and records every request. With failing set it throws
// as a desktop without a browser or file manager would.
class FakeLauncher : public Launcher {
public:
    QStringList webPages;
    int homeFolderOpenings = 0;
    bool failing = false;

    void openWebPage(const QString &address) override
    {
        webPages.append(address);
        if (failing)
            throw UnexpectedFailure("No web browser could be started for " + address.toStdString() + ".");
    }

    void openHomeFolder() override
    {
        ++homeFolderOpenings;
        if (failing)
            throw UnexpectedFailure("No file manager could be started for the home folder.");
    }
};
