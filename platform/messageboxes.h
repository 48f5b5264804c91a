#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

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
    // answered Yes; the other answer is the default.
    virtual bool Question(QWidget *owner, const QString &prompt, const QString &title) = 0;

    // Asks before an action that cannot be taken back: whether the user chose the button
    // that names it with a verb, such as "Erase", rather than Cancel, the default answer.
    virtual bool Confirm(QWidget *owner, const QString &prompt, const QString &title, const QString &action)
    {
        Q_UNUSED(action);
        return Question(owner, prompt, title);
    }

    // The same with several actions: the index of the one the user chose, or -1 for Cancel.
    virtual int Choose(QWidget *owner, const QString &prompt, const QString &title, const QStringList &actions)
    {
        return Confirm(owner, prompt, title, actions.constLast()) ? int(actions.size()) - 1 : -1;
    }
};
