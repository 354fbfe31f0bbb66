#include "Shape.h"

#include "Colours.h"

#include <QPainter>

Shape::Shape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::setStyle(Style style)
{
    shapeStyle = style;
    update();
}

void Shape::setFillColor(std::uint32_t bgr)
{
    if (fill == bgr)
        return;
    fill = bgr;
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (shapeStyle != Style::OutlineOnly)
        painter.fillRect(rect(), Colours::toQColor(fill));
    if (shapeStyle != Style::FilledNoBorder) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
