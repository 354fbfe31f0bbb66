// The yardstick for start-up and memory: an empty Qt Widgets window of the
// tester's size, built the same way.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Window"));
    window.resize(425, 434);
    window.show();
    return app.exec();
}
