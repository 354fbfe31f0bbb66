// The yardsticks for start-up and memory: an empty Qt Widgets window of the
// tester's size, built the same way, and with --label the same window with one
// caption, which makes Qt load the font database as any window with text must.
// With --field it holds one line edit with the keyboard focus instead: what a
// window waiting for typing costs while idle, its cursor blinking once active.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Window"));
    window.resize(425, 434);
    std::unique_ptr<QLabel> label;
    std::unique_ptr<QLineEdit> field;
    if (QApplication::arguments().contains(QStringLiteral("--label")))
        label = std::make_unique<QLabel>(QStringLiteral("Settings"), &window);
    if (QApplication::arguments().contains(QStringLiteral("--field"))) {
        field = std::make_unique<QLineEdit>(&window);
        field->setGeometry(10, 10, 230, 22);
        field->setFocus();
    }
    window.show();
    return app.exec();
}
