#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

// Holds off the user while a copy run goes on: the windows keep repainting, but no
// click, key, drop or menu choice reaches them, and a request to close a window is
// kept until the run is over.
class RunGuard : public QObject {
public:
    RunGuard();
    ~RunGuard() override;

    // Stops holding off the user and closes the windows whose closing was asked for.
    void carryOutCloseRequests();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool active = true;
    QList<QPointer<QWidget>> closeRequested;
};
