#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <functional>

// Answers the tester's modal message boxes from inside their event loop and
// records what each one showed.
class BoxCatcher : public QObject {
public:
    struct Box {
        QString title, text, details;
        QMessageBox::Icon icon;
        QList<QMessageBox::StandardButton> buttons;
    };

    BoxCatcher() { QApplication::instance()->installEventFilter(this); }

    QList<Box> boxes;
    int maxOpenAtOnce = 0;
    std::function<void()> whileOpen; // runs inside each box before it is closed

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (box && event->type() == QEvent::Show) {
            maxOpenAtOnce = std::max(maxOpenAtOnce, ++open);
            QMetaObject::invokeMethod(
                this, [this, box] { answer(box); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void answer(QMessageBox *box)
    {
        Box seen{box->windowTitle(), box->text(), box->informativeText(), box->icon(), {}};
        for (QAbstractButton *b : box->buttons())
            seen.buttons.append(box->standardButton(b));
        boxes.append(seen);
        if (whileOpen)
            whileOpen();
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
        --open;
    }

    int open = 0;
};
