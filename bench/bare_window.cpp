// The yardsticks for start-up and memory: an empty Qt Widgets window of the
// tester's size, built the same way, and with --label the same window with one
// caption, which makes Qt load the font database as any window with text must.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Window"));
    window.resize(425, 434);
    std::unique_ptr<QLabel> label;
    if (QApplication::arguments().contains(QStringLiteral("--label")))
        label = std::make_unique<QLabel>(QStringLiteral("Settings"), &window);
    window.show();
    return app.exec();
}
