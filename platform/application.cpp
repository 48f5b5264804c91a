#include "application.h"

#include <QFont>
#include <QPointer>
#include <QSessionManager>
#include <QTimer>

namespace {

bool windowSystemChosen = false;
bool sessionEnding = false;
QPointer<QTimer> closingAgain;

void askToQuit()
{
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
}

} // namespace

DuplivaApplication::DuplivaApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Dupliva"));
    setDesktopFileName(QStringLiteral("dupliva"));
    // Programs started from here, such as the web browser, choose their own window system.
    if (windowSystemChosen)
        qunsetenv("QT_QPA_PLATFORM");
    // Nothing is kept between runs, so a session that is restored does not start the program again.
    const auto neverRestart = [](QSessionManager &manager) { manager.setRestartHint(QSessionManager::RestartNever); };
    connect(this, &QGuiApplication::commitDataRequest, this, neverRestart);
    connect(this, &QGuiApplication::saveStateRequest, this, neverRestart);
}

bool DuplivaApplication::event(QEvent *event)
{
    // When the desktop session ends, the session manager's request to quit comes through the
    // window system as a spontaneous event. The program's own quit may come that way too, but
    // only once the farewell is over.
    if (event->type() == QEvent::Quit && event->spontaneous())
        sessionEnding = true;
    return QApplication::event(event);
}

void substituteDesignFonts()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

void chooseWindowSystem()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        windowSystemChosen = true;
    }
}

bool desktopSessionEnding()
{
    return sessionEnding;
}

void endAsTheSessionEnds()
{
    sessionEnding = true;
    if (closingAgain)
        return;
    closingAgain = new QTimer(QCoreApplication::instance());
    QObject::connect(closingAgain, &QTimer::timeout, askToQuit);
    closingAgain->start(100);
    askToQuit();
}
