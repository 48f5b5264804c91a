#pragma once

#include <QApplication>

// The application, which notices when the desktop session ends.
class DuplivaApplication : public QApplication {
public:
    DuplivaApplication(int &argc, char **argv);

protected:
    bool event(QEvent *event) override;
};

// The fonts of the windows' designs, mapped onto fonts that this desktop has.
void substituteDesignFonts();

// On a Wayland desktop that also offers X11 (XWayland), runs the program there, unless the
// user has chosen a window system in QT_QPA_PLATFORM: a Wayland window cannot place itself,
// and the about window centres itself on the screen. Call before the application exists.
void chooseWindowSystem();

// Whether the desktop session has asked the program to end, at logout or shutdown.
bool desktopSessionEnding();

// Ends the program as the end of the desktop session does, for a signal such as kill's:
// no message box is shown from then on, and the windows are asked to close until all
// have, since one that waits for drive A closes only once drive A is let go.
void endAsTheSessionEnds();
