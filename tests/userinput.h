#pragma once

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QWidget>
#include <QWindow>

// A click as the mouse delivers it: to the control's window, which passes it on to the
// control under the pointer, and not straight to the control.
inline void clickThroughWindow(QWidget *control)
{
    QWidget *window = control->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      control->mapTo(window, control->rect().center()));
}

// Answers an open message box as a user does, with key at its window, or with a click on
// button when key is 0; whether that closed it. A box left open is closed all the same,
// so that a failing test does not hang.
inline bool answerThroughWindow(QMessageBox *box, int key, QMessageBox::StandardButton button)
{
    if (!QTest::qWaitForWindowExposed(box))
        return false;
    if (key)
        QTest::keyClick(box->windowHandle(), Qt::Key(key));
    else
        clickThroughWindow(box->button(button));
    const bool answered = !box->isVisible();
    if (!answered)
        box->close();
    return answered;
}
