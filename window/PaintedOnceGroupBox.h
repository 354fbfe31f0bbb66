#pragma once

#include <QEvent>
#include <QGroupBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionGroupBox>

// A group box that draws its frame once and keeps the picture. A figure inside
// that changes repaints the box beneath it: drawn afresh, the style would lay
// out the whole frame each time, for the few pixels the figure covers. The
// title is drawn straight onto the box, and only when it is to be repainted:
// text drawn into a picture loses its subpixel antialiasing. The box must lie
// on its window's own colour (a parent of another colour would not show).
class PaintedOnceGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        // Scaled, the style smooths the frame's edges as it stretches them, not
        // quite alike onto a picture and onto the window: drawn afresh there.
        if (devicePixelRatioF() != 1) {
            QGroupBox::paintEvent(event);
            return;
        }
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        constexpr auto Title = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxCheckBox;
        const Shape shape{option.text, option.features, option.textAlignment};
        if (frame.isNull() || frame.size() != size() || !(shape == framed)) {
            frame = QPixmap(size());
            // Laid on the window's colour, where the box lies, so that the picture
            // covers what is under it.
            QPainter onFrame(&frame);
            onFrame.fillRect(rect(), palette().brush(backgroundRole()));
            QStyleOptionGroupBox frameAlone = option;
            frameAlone.subControls &= ~Title;
            style()->drawComplexControl(QStyle::CC_GroupBox, &frameAlone, &onFrame, this);
            framed = shape;
            // Finding the title's place measures its text: once, with the frame.
            titlePlace = style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                 QStyle::SC_GroupBoxLabel, this) |
                         style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                 QStyle::SC_GroupBoxCheckBox, this);
        }
        QPainter painter(this);
        painter.drawPixmap(0, 0, frame);
        if (event->region().intersects(titlePlace)) {
            QStyleOptionGroupBox titleAlone = option;
            titleAlone.subControls &= Title;
            style()->drawComplexControl(QStyle::CC_GroupBox, &titleAlone, &painter, this);
        }
    }
    void changeEvent(QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::StyleChange:
        case QEvent::PaletteChange:
        case QEvent::FontChange:
        case QEvent::EnabledChange:
        case QEvent::ActivationChange:
            frame = QPixmap();
            break;
        default:
            break;
        }
        QGroupBox::changeEvent(event);
    }

private:
    // What the frame's place depends on besides the box's size: the title's room.
    struct Shape {
        QString title;
        QStyleOptionFrame::FrameFeatures features;
        Qt::Alignment alignment;
        bool operator==(const Shape &o) const
        {
            return title == o.title && features == o.features && alignment == o.alignment;
        }
    };
    QPixmap frame;
    Shape framed;
    QRect titlePlace;
};
