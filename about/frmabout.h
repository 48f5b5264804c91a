#pragma once

#include <QMargins>
#include <QPointF>
#include <QSizeF>
#include <QWidget>

#include <optional>

class Launcher;

// The outer top-left corner that centres a window on a screen. A window larger than
// the screen gets negative coordinates and overhangs both edges equally.
QPointF centredTopLeft(QSizeF screen, QSizeF window);

// The about window: how to use the program, the author's personal lines and two web links.
class frmAbout : public QWidget {
    Q_OBJECT

public:
    explicit frmAbout(Launcher &launcher, QWidget *parent = nullptr);

    void Form_Load();
    void cmdClose_Click();
    void Label1_Click();
    void Label2_Click();

signals:
    // A link's web page could not be opened, for that reason.
    void launchFailed(const QString &reason);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void openWebPage(const QString &address);
    QMargins frame() const;
    void frameStated(QMargins stated);

    Launcher &launcher;
    bool loaded = false;
    bool frameAwaited = false;
    std::optional<QMargins> windowManagerFrame; // as the window manager last stated it
};
