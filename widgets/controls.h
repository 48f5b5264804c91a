#pragma once

#include <QLabel>
#include <QPushButton>

// A label that reports a click of the left mouse button. Assistive technology sees it as
// a link, named by its text unless it has an accessible name, and can follow it.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString &text, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// A push button whose caption wraps onto further lines when it is wider than the button.
// Return and Enter press it when it has the focus, as the space bar does.
class WrappingButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
