#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

// Answers the tester's modal message boxes from inside their event loop and
// records what each one showed.
class BoxCatcher : public QObject {
public:
    struct Box {
        QString title, text, details;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QList<QMessageBox::StandardButton> buttons;
        bool windowVisible = false;
    };

    explicit BoxCatcher(const QWidget *window = nullptr) : window(window)
    {
        connect(&timer, &QTimer::timeout, this, &BoxCatcher::poll);
        timer.start(5);
    }

    QList<Box> boxes;
    int maxOpenAtOnce = 0;
    std::function<void()> whileOpen; // runs once inside each box before it is closed

private:
    void poll()
    {
        int open = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(w) && w->isVisible())
                ++open;
        maxOpenAtOnce = std::max(maxOpenAtOnce, open);

        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        Box seen{box->windowTitle(), box->text(), box->informativeText(),
                 box->icon(),        {},          window && window->isVisible()};
        for (QAbstractButton *b : box->buttons())
            seen.buttons.append(box->standardButton(b));
        boxes.append(seen);
        if (whileOpen)
            whileOpen();
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    }

    const QWidget *window;
    QTimer timer;
};
