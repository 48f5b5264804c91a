#pragma once

#include "groupboard.h"

#include <QListWidget>

class QMimeData;

// The list box that shows one group. It keeps the group's colour as the exact
// 0x00BBGGRR value and shows it as its text colour; assistive technology hears the
// state that the colour shows. The user removes, moves and pastes entries through its
// keys, its context menu and drags; the window carries the requests out.
class GroupListBox : public QListWidget, public GroupList {
    Q_OBJECT
public:
    // caption names the group, such as "Group 05"; number is the group's, or 0 for a list
    // that shows no group of the board.
    explicit GroupListBox(const QString &caption, QWidget *parent = nullptr, int number = 0);

    quint32 ForeColor() const override { return colour; }
    void SetForeColor(quint32 value) override;
    int ListCount() const override { return count(); }
    QString List(int index) const override { return item(index)->text(); }
    void AddItem(const QString &text) override;
    void RemoveItem(int index);
    void Clear() override;
    void Refresh() override;

signals:
    void OLEDragDrop(const QMimeData &data);
    // An entry of the group fromGroup was dragged here.
    void entryDropped(int fromGroup, int index);
    void removeRequested(int index);
    void moveRequested(int index, int toGroup);
    void pasteRequested();

protected:
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QList<QListWidgetItem *> &entries) const override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int entryInHand() const;
    Qt::DropAction dropActionFor(const QMimeData &data) const;
    void describeState();

    const int number;
    quint32 colour = PendingColour;
    Qt::DropAction dragAction = Qt::IgnoreAction; // of the drag over the list
};
