#include "grouplistbox.h"

#include "dropintake.h"
#include "windowdesign.h"

#include <QDropEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

GroupListBox::GroupListBox(const QString &caption, QWidget *parent)
    : QListWidget(parent)
{
    setAccessibleName(caption);
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
    describeState();
}

void GroupListBox::AddItem(const QString &text)
{
    auto *entry = new QListWidgetItem(text, this);
    entry->setToolTip(text);
    describeState();
}

void GroupListBox::Clear()
{
    clear();
    describeState();
}

// Such as "Group 05: 3 styles, copied to the disk".
void GroupListBox::describeState()
{
    const QString group = accessibleName();
    if (count() == 0)
        return setAccessibleDescription(tr("%1: empty").arg(group));
    const QString styles = tr("%n style(s)", nullptr, count());
    setAccessibleDescription(colour == CopiedColour ? tr("%1: %2, copied to the disk").arg(group, styles)
                                                    : tr("%1: %2, waiting to be copied").arg(group, styles));
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
    if (!isEnabled() || droppedFiles(*event->mimeData()).isEmpty()) {
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

// A list draws its focus around the current entry; one without entries shows it around
// the whole list, so that the keyboard's place is always in sight.
void GroupListBox::paintEvent(QPaintEvent *event)
{
    QListWidget::paintEvent(event);
    if (!hasFocus() || currentItem())
        return;
    QPainter painter(viewport());
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.state |= QStyle::State_KeyboardFocusChange;
    option.rect = viewport()->rect().adjusted(1, 1, -1, -1);
    option.backgroundColor = palette().color(QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}
