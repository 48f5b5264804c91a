// The start-up benchmark's baseline: the smallest Qt Widgets program that shows a window
// with a line of text, Qt's own "Hello world!" button.

#include <QApplication>
#include <QPushButton>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QPushButton window(QStringLiteral("Hello world!"));
    window.show();
    return app.exec();
}
