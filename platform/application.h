#pragma once

#include <QApplication>

class MessageBoxes;

// The application, which reports a failure that escapes an event handler in a message
// box naming it and keeps running, so that the groups the user has filled stay.
class ReportingApplication : public QApplication {
public:
    ReportingApplication(int &argc, char **argv);

    void reportFailuresWith(MessageBoxes &messages) { report = &messages; }

    bool notify(QObject *receiver, QEvent *event) override;

protected:
    bool event(QEvent *event) override;

private:
    MessageBoxes *report = nullptr;
};

// The fonts of the windows' designs, mapped onto fonts that this desktop has.
void substituteDesignFonts();

// On a Wayland desktop that also offers X11 (XWayland), runs the program there, unless the
// user has chosen a window system in QT_QPA_PLATFORM: a Wayland window cannot place itself,
// and the about window centres itself on the screen. Call before the application exists.
void chooseWindowSystem();

// Whether the desktop session has asked the program to end, at logout or shutdown.
bool desktopSessionEnding();
