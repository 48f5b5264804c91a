#pragma once

#include <QString>

class QWidget;

// The style of a message box selects its icon; every box has an OK button only.
enum MsgBoxStyle : int {
    MsgOkOnly = 0,
    MsgCritical = 16,
    MsgInformation = 64,
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // Shows a modal message box and returns when the user closes it. Without a title
    // of its own the box shows the application's title.
    virtual void MsgBox(const QString &prompt, int style = MsgOkOnly, const QString &title = {}) = 0;

    // Asks a question with a warning icon, modal to owner, and returns whether the user
    // answered Yes; No is the default answer.
    virtual bool Question(QWidget *owner, const QString &prompt, const QString &title) = 0;
};
