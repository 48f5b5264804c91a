#include "desktopmessageboxes.h"

#include "application.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

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

// A message box sizes itself by its prompt alone; widen a short one so that the title
// bar shows the whole title.
void makeRoomForTitle(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + 120;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

} // namespace

DesktopMessageBoxes::DesktopMessageBoxes(QWidget *parent)
    : parentWindow(parent)
{
}

void DesktopMessageBoxes::MsgBox(const QString &prompt, int style, const QString &title)
{
    if (desktopSessionEnding())
        return;
    const QString shownTitle = title.isEmpty() ? QApplication::applicationName() : title;
    QMessageBox box(iconForStyle(style), shownTitle, prompt, QMessageBox::Ok, parentWindow);
    box.setTextFormat(Qt::PlainText);
    makeRoomForTitle(box);
    // A message ends a busy stretch of work for the user: show the ordinary pointer over it.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();
}

bool DesktopMessageBoxes::Question(QWidget *owner, const QString &prompt, const QString &title)
{
    return Confirm(owner, prompt, title, QMessageBox::tr("&Yes"));
}

// The desktop's habit: the button says what it does, and Cancel, the safe answer, is the
// default for Return and Escape alike.
bool DesktopMessageBoxes::Confirm(QWidget *owner, const QString &prompt, const QString &title, const QString &action)
{
    return Choose(owner, prompt, title, {action}) == 0;
}

int DesktopMessageBoxes::Choose(QWidget *owner, const QString &prompt, const QString &title, const QStringList &actions)
{
    if (desktopSessionEnding())
        return -1;
    QMessageBox box(QMessageBox::Warning, title, prompt, QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    QList<QPushButton *> buttons;
    for (const QString &action : actions) {
        buttons.append(box.addButton(action, QMessageBox::AcceptRole));
        buttons.last()->setAccessibleName(QString(action).remove(QLatin1Char('&')));
    }
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    cancel->setAccessibleName(QMessageBox::tr("Cancel"));
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return int(buttons.indexOf(qobject_cast<QPushButton *>(box.clickedButton())));
}
