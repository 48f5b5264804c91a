#pragma once

#include <QString>

// Starts the desktop's web browser and file manager. Neither call waits for the
// program it starts; a program that cannot be started throws UnexpectedFailure.
class Launcher {
public:
    virtual ~Launcher() = default;

    virtual void openWebPage(const QString &address) = 0;
    virtual void openHomeFolder() = 0;
};
