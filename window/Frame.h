#pragma once

#include <QGroupBox>

// A captioned frame with its caption set into the top border line, drawn
// directly rather than through a style sheet, which is slow to apply and stops
// fonts from propagating to the controls inside.
class Frame : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *event) override;
};
