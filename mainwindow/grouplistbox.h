#pragma once

#include "groupboard.h"

#include <QListView>

class QMimeData;

// The list box that shows one group of the board: its entries, in the text colour of the
// group's state, which assistive technology hears too. The user removes, moves and pastes
// entries through its keys, its context menu and drags; the window carries the requests
// out. After each change the entry that it leaves current is in sight and selected.
class GroupListBox : public QListView {
    Q_OBJECT
public:
    // caption names the group, such as "Group 05".
    GroupListBox(const QString &caption, GroupBoard &board, int number, QWidget *parent = nullptr);
    // A list that shows group 1 of a board of its own.
    explicit GroupListBox(const QString &caption, QWidget *parent = nullptr);

    GroupBoard &groupBoard() const { return board; }
    int groupNumber() const { return number; }
    int ListCount() const { return model()->rowCount(); }
    QString List(int index) const { return board.group(number).entries.value(index); }
    // What the keyboard and the context menu act on: the selected entries, else the
    // current one, else the one in sight.
    QList<int> entriesInHand() const;
    // The actions of the context menu that the window gives, such as undo and redo.
    void setWindowActions(const QList<QAction *> &actions) { windowActions = actions; }

signals:
    void OLEDragDrop(const QMimeData &data);
    // Entries of the group fromGroup were dragged here.
    void entriesDropped(int fromGroup, const QList<int> &rows);
    void removeRequested(const QList<int> &rows);
    void moveRequested(const QList<int> &rows, int toGroup);
    void pasteRequested();
    // "Where is this style?" for the entry of this source file.
    void placesRequested(const QString &source);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void createActions();
    void showEntry(int row);
    void showState();
    void describeState(int arrived = 0);
    Qt::DropAction dropActionFor(const QMimeData &data) const;

    GroupBoard &board;
    const int number;
    QAction *removeAction = nullptr;
    QAction *pasteAction = nullptr;
    QList<QAction *> windowActions;
    Qt::DropAction dragAction = Qt::IgnoreAction; // of the drag over the list
};

// A drop onto the list as its window takes it, but not as a step that can be undone.
void appendDroppedFiles(GroupListBox &list, const QMimeData &data);
