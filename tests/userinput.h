#pragma once

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
