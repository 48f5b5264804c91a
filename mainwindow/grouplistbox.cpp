#include "grouplistbox.h"

#include "dropintake.h"
#include "windowdesign.h"

#include <QDropEvent>

GroupListBox::GroupListBox(QWidget *parent)
    : QListWidget(parent)
{
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Paths are long and the list is narrow: keep the file name in sight.
    setTextElideMode(Qt::ElideLeft);
    SetForeColor(PendingColour);
}

void GroupListBox::SetForeColor(quint32 value)
{
    colour = value;
    QPalette shown = palette();
    shown.setColor(QPalette::Text, colourFromBgr(value));
    setPalette(shown);
}

void GroupListBox::AddItem(const QString &text)
{
    auto *entry = new QListWidgetItem(text, this);
    entry->setToolTip(text);
}

void GroupListBox::Refresh()
{
    repaint();
    viewport()->repaint();
}

// Only file lists are welcome, and the files are copied later from where they are:
// the drop never asks the file manager to move them.
void GroupListBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (droppedFiles(*event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void GroupListBox::dragMoveEvent(QDragMoveEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void GroupListBox::dropEvent(QDropEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit OLEDragDrop(*event->mimeData());
}
