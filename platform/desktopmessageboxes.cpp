#include "desktopmessageboxes.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon iconForStyle(int style)
{
    switch (style) {
    case MsgCritical:
        return QMessageBox::Critical;
    case MsgInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

DesktopMessageBoxes::DesktopMessageBoxes(QWidget *parent)
    : parentWindow(parent)
{
}

void DesktopMessageBoxes::MsgBox(const QString &prompt, int style, const QString &title)
{
    const QString shownTitle = title.isEmpty() ? QApplication::applicationName() : title;
    QMessageBox box(iconForStyle(style), shownTitle, prompt, QMessageBox::Ok, parentWindow);
    box.setTextFormat(Qt::PlainText);
    // A message ends a busy stretch of work for the user: show the ordinary pointer over it.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();
}
