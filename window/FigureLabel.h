#pragma once

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>

// A figure that can be selected with the mouse and copied. A label that can be
// selected lays its text out as a document and repaints twice whenever its text
// changes, which a figure does with every transaction; nobody points at it most
// of the time, so it is plain text until the pointer comes in, and again once
// the pointer leaves with nothing selected.
class FigureLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void enterEvent(QEnterEvent *event) override
    {
        setTextInteractionFlags(Qt::TextSelectableByMouse);
        QLabel::enterEvent(event);
    }
    void leaveEvent(QEvent *event) override
    {
        // The context menu takes the pointer too: its Select All needs the text kept.
        if (!hasSelectedText() && !QApplication::activePopupWidget())
            setTextInteractionFlags(Qt::NoTextInteraction);
        QLabel::leaveEvent(event);
    }
};
