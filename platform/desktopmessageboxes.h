#pragma once

#include "messageboxes.h"

class QWidget;

// Once the program ends with the desktop session, no box is shown, since nobody would
// answer it and it would hold the end up; a question is answered No.
class DesktopMessageBoxes : public MessageBoxes {
public:
    explicit DesktopMessageBoxes(QWidget *parent = nullptr);

    void MsgBox(const QString &prompt, int style = MsgOkOnly, const QString &title = {}) override;
    bool Question(QWidget *owner, const QString &prompt, const QString &title) override;
    bool Confirm(QWidget *owner, const QString &prompt, const QString &title, const QString &action) override;
    int Choose(QWidget *owner, const QString &prompt, const QString &title, const QStringList &actions) override;

    void setParent(QWidget *parent) { parentWindow = parent; }

private:
    QWidget *parentWindow;
};
