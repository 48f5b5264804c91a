#include "grouplistbox.h"

#include "dropintake.h"
#include "windowdesign.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QStyleOptionFocusRect>

namespace {

// An entry dragged from a group list of this program, as "process group index".
const QString EntryType = QStringLiteral("application/x-dupliva-group-entry");

struct DraggedEntry {
    int group = 0; // 0: none of this program's
    int index = -1;
};

DraggedEntry draggedEntry(const QMimeData &data)
{
    const QList<QByteArray> fields = data.data(EntryType).split(' ');
    if (fields.size() != 3 || fields[0].toLongLong() != QCoreApplication::applicationPid())
        return {};
    return {fields[1].toInt(), fields[2].toInt()};
}

// A menu entry's text that shows its key too, such as "&Remove\tDel".
QString withKey(const QString &text, QKeySequence::StandardKey key)
{
    return text + QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
}

QShortcut *addShortcut(QWidget *list, const QList<QKeySequence> &keys)
{
    auto *shortcut = new QShortcut(list);
    shortcut->setKeys(keys);
    shortcut->setContext(Qt::WidgetShortcut);
    return shortcut;
}

} // namespace

GroupListBox::GroupListBox(const QString &caption, QWidget *parent, int number)
    : QListWidget(parent)
    , number(number)
{
    setAccessibleName(caption);
    setAcceptDrops(true);
    setDragEnabled(true);
    setDropIndicatorShown(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Paths are long and the list is narrow: keep the file name in sight.
    setTextElideMode(Qt::ElideLeft);
    connect(addShortcut(this, {QKeySequence::Delete, Qt::Key_Backspace}), &QShortcut::activated, this,
            [this] { emit removeRequested(entryInHand()); });
    connect(addShortcut(this, QKeySequence::keyBindings(QKeySequence::Paste)), &QShortcut::activated, this,
            &GroupListBox::pasteRequested);
    SetForeColor(PendingColour);
}

// The current entry; without one, the entry in sight.
int GroupListBox::entryInHand() const
{
    return currentRow() >= 0 ? currentRow() : indexAt(QPoint(0, 0)).row();
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

// The entry after it, or else the one before it, is selected next.
void GroupListBox::RemoveItem(int index)
{
    delete takeItem(index);
    setCurrentRow(qMin(index, count() - 1));
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
    // Written once for one and once for more, so that it reads right where no translation is loaded.
    const QString styles = count() == 1 ? tr("%n style", nullptr, 1) : tr("%n styles", nullptr, count());
    setAccessibleDescription(colour == CopiedColour ? tr("%1: %2, copied to the disk").arg(group, styles)
                                                    : tr("%1: %2, waiting to be copied").arg(group, styles));
}

void GroupListBox::Refresh()
{
    repaint();
    viewport()->repaint();
}

QStringList GroupListBox::mimeTypes() const
{
    return {EntryType};
}

QMimeData *GroupListBox::mimeData(const QList<QListWidgetItem *> &entries) const
{
    auto *data = new QMimeData;
    if (entries.size() == 1) {
        const QByteArray entry = QByteArray::number(QCoreApplication::applicationPid()) + ' '
                                 + QByteArray::number(number) + ' ' + QByteArray::number(row(entries.first()));
        data->setData(EntryType, entry);
    }
    return data;
}

// The entry goes only where this program takes it: a file manager is never asked to move
// or copy the style file itself.
void GroupListBox::startDrag(Qt::DropActions)
{
    QListWidgetItem *entry = item(entryInHand());
    if (!entry)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(mimeData({entry}));
    drag->setPixmap(viewport()->grab(visualItemRect(entry)));
    drag->exec(Qt::MoveAction);
}

// An entry of another group moves here. Otherwise only file lists are welcome, and the
// files are copied later from where they are: the drop never asks the file manager to
// move them.
Qt::DropAction GroupListBox::dropActionFor(const QMimeData &data) const
{
    if (!isEnabled())
        return Qt::IgnoreAction;
    if (data.hasFormat(EntryType)) {
        const int from = draggedEntry(data).group;
        return from != 0 && from != number ? Qt::MoveAction : Qt::IgnoreAction;
    }
    return droppedFiles(data).isEmpty() ? Qt::IgnoreAction : Qt::CopyAction;
}

// A drag is looked at as it comes in, not at every move: it may carry thousands of files.
void GroupListBox::dragEnterEvent(QDragEnterEvent *event)
{
    dragAction = dropActionFor(*event->mimeData());
    dragMoveEvent(event);
}

void GroupListBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (dragAction == Qt::IgnoreAction)
        return event->ignore();
    event->setDropAction(dragAction);
    event->accept();
}

void GroupListBox::dropEvent(QDropEvent *event)
{
    const QMimeData &data = *event->mimeData();
    const Qt::DropAction action = dropActionFor(data);
    if (action == Qt::IgnoreAction)
        return event->ignore();
    event->setDropAction(action);
    event->accept();
    if (action == Qt::MoveAction)
        emit entryDropped(draggedEntry(data).group, draggedEntry(data).index);
    else
        emit OLEDragDrop(data);
}

// The keyboard acts on the current entry, so the list shows it when it gets the focus:
// the entry last copied may be in sight instead.
void GroupListBox::focusInEvent(QFocusEvent *event)
{
    QListWidget::focusInEvent(event);
    if (currentItem())
        scrollToItem(currentItem());
}

// Shift+F10 opens the context menu, as the menu key does.
void GroupListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint());
        return contextMenuEvent(&menuKey);
    }
    QListWidget::keyPressEvent(event);
}

// "Remove", "Move to group" with the other nineteen groups, and "Paste". Opened by the
// keyboard, it opens at the entry in hand.
void GroupListBox::contextMenuEvent(QContextMenuEvent *event)
{
    const int index = entryInHand();
    QMenu menu(this);
    QAction *remove = menu.addAction(withKey(tr("&Remove"), QKeySequence::Delete));
    QMenu *moveTo = menu.addMenu(tr("&Move to group"));
    for (int group = 1; group <= GroupCount; ++group) {
        if (group != number)
            moveTo->addAction(tr("Group %1").arg(groupPrefix(group)))->setData(group);
    }
    remove->setEnabled(index >= 0);
    moveTo->setEnabled(index >= 0);
    menu.addSeparator();
    QAction *paste = menu.addAction(withKey(tr("&Paste"), QKeySequence::Paste));
    const QRect entry = index >= 0 ? visualRect(model()->index(index, 0)) : viewport()->rect();
    const QPoint keyboardPlace = viewport()->mapToGlobal(entry.bottomLeft());
    const QAction *chosen = menu.exec(event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : keyboardPlace);
    if (chosen == remove)
        emit removeRequested(index);
    else if (chosen == paste)
        emit pasteRequested();
    else if (chosen)
        emit moveRequested(index, chosen->data().toInt());
    // A list that loses its scroll bar just as the menu goes leaves a copy of itself where
    // the menu was, unless the window is drawn afresh.
    if (chosen)
        window()->update();
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
