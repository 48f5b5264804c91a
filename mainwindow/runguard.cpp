#include "runguard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

bool isDrag(QEvent::Type type)
{
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
}

// A modal box of the program's own, such as a failure report, still takes input. A
// real click or key reaches the box's window first and only then its widgets.
bool belongsToModalBox(QObject *watched)
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    if (auto *window = qobject_cast<QWindow *>(watched))
        return window == modal->windowHandle();
    auto *widget = qobject_cast<QWidget *>(watched);
    return widget && (widget == modal || modal->isAncestorOf(widget));
}

} // namespace

RunGuard::RunGuard()
{
    qApp->installEventFilter(this);
}

RunGuard::~RunGuard()
{
    qApp->removeEventFilter(this);
}

bool RunGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (!active || belongsToModalBox(watched))
        return false;
    const QEvent::Type type = event->type();
    if (isDrag(type)) {
        event->ignore(); // the file manager sees the drop refused
        return true;
    }
    if (type == QEvent::Close && watched->isWidgetType()) {
        closeRequested.append(static_cast<QWidget *>(watched));
        event->ignore();
        return true;
    }
    return isUserInput(type);
}

void RunGuard::carryOutCloseRequests()
{
    active = false;
    for (const QPointer<QWidget> &window : std::exchange(closeRequested, {})) {
        if (window)
            window->close();
    }
}
