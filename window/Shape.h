#pragma once

#include <QWidget>
#include <cstdint>

// A rectangle: the lamps, the bars and the bars' outlines.
class Shape : public QWidget {
    Q_OBJECT
public:
    enum class Style { FilledWithBorder, FilledNoBorder, OutlineOnly };

    explicit Shape(QWidget *parent = nullptr);

    void setStyle(Style style);

    // 0x00BBGGRR, as the rest of the tester keeps colours.
    void setFillColor(std::uint32_t bgr);
    std::uint32_t fillColor() const { return fill; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Style shapeStyle = Style::FilledWithBorder;
    std::uint32_t fill = 0x0000FF;
};
