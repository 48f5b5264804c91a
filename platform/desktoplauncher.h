#pragma once

#include "launcher.h"

// Opens web pages and the home folder with the desktop's own programs.
class DesktopLauncher : public Launcher {
public:
    void openWebPage(const QString &address) override;
    void openHomeFolder() override;
};
