#pragma once

#include "launcher.h"

// Opens web pages and the home folder with the desktop's own programs.
class DesktopLauncher : public Launcher {
public:
    QString openWebPage(const QString &address) override;
    QString openHomeFolder() override;
};
