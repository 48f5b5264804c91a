#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

// A click as the mouse delivers it: to the control's window, which passes it on to the
// control under the pointer, and not straight to the control.
inline void clickThroughWindow(QWidget *control, Qt::MouseButton button = Qt::LeftButton)
{
    QWidget *window = control->window();
    QTest::mouseClick(window->windowHandle(), button, Qt::NoModifier,
                      control->mapTo(window, control->rect().center()));
}

// Clicks the entries named by texts (without "&" and the key shown after a tab) in the
// popup menu that opens next and then in its submenus, without waiting for it here.
inline void whenAMenuOpens(QObject *context, QStringList texts)
{
    auto *look = new QTimer(context);
    QObject::connect(look, &QTimer::timeout, look, [texts]() mutable {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        for (QAction *action : menu && !texts.isEmpty() ? menu->actions() : QList<QAction *>()) {
            if (action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&')) == texts.first()) {
                texts.removeFirst();
                const QPoint centre = menu->actionGeometry(action).center();
                return QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {}, centre);
            }
        }
    });
    look->start(10);
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
