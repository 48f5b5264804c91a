#pragma once

#include "groupboard.h"

#include <QListWidget>

class QMimeData;

// The list box that shows one group. It keeps the group's colour as the exact
// 0x00BBGGRR value and shows it as its text colour; assistive technology hears the
// state that the colour shows.
class GroupListBox : public QListWidget, public GroupList {
    Q_OBJECT
public:
    // caption names the group, such as "Group 05".
    explicit GroupListBox(const QString &caption, QWidget *parent = nullptr);

    quint32 ForeColor() const override { return colour; }
    void SetForeColor(quint32 value) override;
    int ListCount() const override { return count(); }
    QString List(int index) const override { return item(index)->text(); }
    void AddItem(const QString &text) override;
    void Clear() override;
    void Refresh() override;

signals:
    void OLEDragDrop(const QMimeData &data);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void describeState();

    quint32 colour = PendingColour;
};
