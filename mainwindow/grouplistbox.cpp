#include "grouplistbox.h"

#include "dropintake.h"
#include "groupcommands.h"
#include "windowdesign.h"

#include <QDrag>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QUndoCommand>

GroupListBox::GroupListBox(const QString &caption, GroupBoard &board, int number, QWidget *parent)
    : QListView(parent)
    , board(board)
    , number(number)
{
    setModel(board.entries(number));
    setAccessibleName(caption);
    setAcceptDrops(true);
    setDragEnabled(true);
    setDropIndicatorShown(false);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Paths are long and the list is narrow: keep the file name in sight.
    setTextElideMode(Qt::ElideLeft);
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        showEntry(first);
        describeState(last - first + 1);
    });
    connect(model(), &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first, int) {
        showEntry(first);
        describeState();
    });
    connect(&board, &GroupBoard::stateChanged, this, [this](int changed) {
        if (changed == this->number)
            showState();
    });
    createActions();
    showState();
}

GroupListBox::GroupListBox(const QString &caption, QWidget *parent)
    : GroupListBox(caption, *new GroupBoard, 1, parent)
{
    board.setParent(this);
}

// Remove and Paste act on the list that has the focus, and the menu shows their keys.
void GroupListBox::createActions()
{
    QList<QKeySequence> removeKeys = QKeySequence::keyBindings(QKeySequence::Delete);
    removeKeys.append(Qt::Key_Backspace);
    removeAction = new QAction(tr("&Remove"), this);
    removeAction->setShortcuts(removeKeys);
    connect(removeAction, &QAction::triggered, this, [this] { emit removeRequested(entriesInHand()); });
    pasteAction = new QAction(tr("&Paste"), this);
    pasteAction->setShortcuts(QKeySequence::Paste);
    connect(pasteAction, &QAction::triggered, this, &GroupListBox::pasteRequested);
    for (QAction *action : {removeAction, pasteAction}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        addAction(action);
    }
}

// The current entry; without one, the entry in sight.
QList<int> GroupListBox::entriesInHand() const
{
    const int row = currentIndex().isValid() ? currentIndex().row() : indexAt(QPoint(0, 0)).row();
    return row >= 0 ? QList<int>{row} : QList<int>();
}

// The entry at row, or the last one, becomes current, selected and in sight: in a list one
// entry high the keyboard's next command acts on the entry that the user sees.
void GroupListBox::showEntry(int row)
{
    const int count = model()->rowCount();
    if (count == 0)
        return;
    const QModelIndex entry = model()->index(std::min(row, count - 1), 0);
    selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect);
    scrollTo(entry);
}

void GroupListBox::showState()
{
    QPalette shown = palette();
    const bool copied = board.group(number).state == GroupState::Copied;
    shown.setColor(QPalette::Text, colourFromBgr(copied ? CopiedColour : PendingColour));
    setPalette(shown);
    describeState();
}

// Such as "Group 05: 3 styles, waiting to be copied", after a drop "...; 2 styles added",
// and after a run "Group 05: 3 styles, copied to the disk. On disk BAND1 (serial
// 1A2B-3C4D), 8 Dec 14:02".
void GroupListBox::describeState(int arrived)
{
    const QString group = accessibleName();
    const int count = ListCount();
    if (count == 0)
        return setAccessibleDescription(tr("%1: empty").arg(group));
    // Written once for one and once for more, so that it reads right where no translation is loaded.
    const QString styles = count == 1 ? tr("%n style", nullptr, 1) : tr("%n styles", nullptr, count);
    const QString disk = diskCopyText(board.group(number).copy); // of a copied group only
    QString description = board.group(number).state != GroupState::Copied
        ? tr("%1: %2, waiting to be copied").arg(group, styles)
        : disk.isEmpty() ? tr("%1: %2, copied to the disk").arg(group, styles)
                         : tr("%1: %2, copied to the disk. %3").arg(group, styles, disk);
    if (arrived > 0)
        description += arrived == 1 ? tr("; %n style added", nullptr, 1) : tr("; %n styles added", nullptr, arrived);
    setAccessibleDescription(description);
}

// The entry goes only where this program takes it: a file manager is never asked to move
// or copy the style file itself.
void GroupListBox::startDrag(Qt::DropActions)
{
    const QList<int> rows = entriesInHand();
    if (rows.isEmpty())
        return;
    const QModelIndex entry = model()->index(rows.first(), 0);
    auto *drag = new QDrag(this);
    drag->setMimeData(model()->mimeData({entry}));
    drag->setPixmap(viewport()->grab(visualRect(entry)));
    drag->exec(Qt::MoveAction);
}

// Entries of another group move here. Otherwise only file lists are welcome, and the
// files are copied later from where they are: the drop never asks the file manager to
// move them.
Qt::DropAction GroupListBox::dropActionFor(const QMimeData &data) const
{
    if (!isEnabled())
        return Qt::IgnoreAction;
    if (data.hasFormat(DraggedEntriesType)) {
        const int from = draggedEntries(data).group;
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
        emit entriesDropped(draggedEntries(data).group, draggedEntries(data).rows);
    else
        emit OLEDragDrop(data);
}

// The keyboard acts on the current entry, so the list shows it when it gets the focus:
// the entry last copied may be in sight instead.
void GroupListBox::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    if (currentIndex().isValid())
        scrollTo(currentIndex());
}

// Shift+F10 opens the context menu, as the menu key does.
void GroupListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), mapToGlobal(QPoint()));
        return contextMenuEvent(&menuKey);
    }
    QListView::keyPressEvent(event);
}

// The window's actions (undo and redo), then "Remove", "Move to group" with the other
// nineteen groups, "Where is this style?" and "Paste". Opened by the keyboard, it opens at
// the entry in hand with its first entry active, as a menu bar's menu does.
void GroupListBox::contextMenuEvent(QContextMenuEvent *event)
{
    const QList<int> rows = entriesInHand();
    QMenu menu(this);
    menu.addActions(windowActions);
    menu.addSeparator();
    menu.addAction(removeAction);
    QMenu *moveTo = menu.addMenu(tr("&Move to group"));
    for (int group = 1; group <= GroupCount; ++group) {
        if (group != number)
            moveTo->addAction(tr("Group %1").arg(groupPrefix(group)))->setData(group);
    }
    QAction *where = menu.addAction(tr("&Where is this style?"));
    removeAction->setEnabled(!rows.isEmpty());
    moveTo->setEnabled(!rows.isEmpty());
    where->setEnabled(!rows.isEmpty());
    menu.addAction(pasteAction);
    const bool byMouse = event->reason() == QContextMenuEvent::Mouse;
    if (!byMouse) {
        QMetaObject::invokeMethod(&menu, [&menu] {
            const QList<QAction *> actions = menu.actions();
            const auto first = std::find_if(actions.begin(), actions.end(),
                                            [](QAction *a) { return a->isEnabled() && !a->isSeparator(); });
            menu.setActiveAction(first != actions.end() ? *first : nullptr);
        }, Qt::QueuedConnection);
    }
    const QRect entry = rows.isEmpty() ? viewport()->rect() : visualRect(model()->index(rows.first(), 0));
    const QAction *chosen = menu.exec(byMouse ? event->globalPos() : viewport()->mapToGlobal(entry.bottomLeft()));
    removeAction->setEnabled(true);
    if (chosen && chosen->parent() == moveTo)
        emit moveRequested(rows, chosen->data().toInt());
    if (chosen == where)
        emit placesRequested(List(rows.first()));
    // A list that loses its scroll bar just as the menu goes leaves a copy of itself where
    // the menu was, unless the window is drawn afresh.
    if (chosen)
        window()->update();
}

// A list draws its focus around the current entry; one without entries shows it around
// the whole list, so that the keyboard's place is always in sight.
void GroupListBox::paintEvent(QPaintEvent *event)
{
    QListView::paintEvent(event);
    if (!hasFocus() || currentIndex().isValid())
        return;
    QPainter painter(viewport());
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.state |= QStyle::State_KeyboardFocusChange;
    option.rect = viewport()->rect().adjusted(1, 1, -1, -1);
    option.backgroundColor = palette().color(QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void appendDroppedFiles(GroupListBox &list, const QMimeData &data)
{
    if (const auto drop = addFiles(list.groupBoard(), list.groupNumber(), filesOfDrop(data), Arrival::Drop))
        drop->redo();
}
