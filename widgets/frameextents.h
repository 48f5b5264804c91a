#pragma once

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <QObject>

class QWidget;
struct xcb_connection_t;

// Tells when the window manager states the frame, title bar and borders, that it draws
// around a top-level window. On X11 it does so in the window's _NET_FRAME_EXTENTS property,
// once it has framed the window; on other window systems nothing is ever told.
class FrameExtentsWatcher : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit FrameExtentsWatcher(QWidget *window);
    ~FrameExtentsWatcher() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    void frameStated(QMargins frame);

private:
    QWidget *window;
    xcb_connection_t *connection = nullptr;
    quint32 extentsAtom = 0;
};
