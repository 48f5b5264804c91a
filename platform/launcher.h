#pragma once

#include <QString>

// Starts the desktop's web browser and file manager. Neither call waits for the program
// it starts; each returns why nothing could be started, or an empty text.
class Launcher {
public:
    virtual ~Launcher() = default;

    virtual QString openWebPage(const QString &address) = 0;
    virtual QString openHomeFolder() = 0;
};
