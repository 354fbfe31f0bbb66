#pragma once

#include <QEvent>
#include <QGroupBox>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionGroupBox>

// A group box that draws its frame and title once and keeps the picture. A
// figure inside that changes repaints the box beneath it: drawn afresh, the
// style would shape the title and lay out the whole frame each time, for the few
// pixels the figure covers. Its title is set once, at construction.
class PaintedOnceGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        const qreal ratio = devicePixelRatioF();
        if (picture.isNull() || picture.size() != size() * ratio) {
            picture = QPixmap(size() * ratio);
            picture.setDevicePixelRatio(ratio);
            picture.fill(Qt::transparent);
            QPainter onPicture(&picture);
            QStyleOptionGroupBox option;
            initStyleOption(&option);
            style()->drawComplexControl(QStyle::CC_GroupBox, &option, &onPicture, this);
        }
        QPainter(this).drawPixmap(0, 0, picture);
    }
    void changeEvent(QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::StyleChange:
        case QEvent::PaletteChange:
        case QEvent::FontChange:
        case QEvent::EnabledChange:
        case QEvent::ActivationChange:
            picture = QPixmap();
            break;
        default:
            break;
        }
        QGroupBox::changeEvent(event);
    }

private:
    QPixmap picture;
};
