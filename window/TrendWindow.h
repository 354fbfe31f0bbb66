#pragma once

#include "TrendPlot.h"

#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>

#include <array>

class TrendRecorder;

// "RZM-530 Trend": the inputs and relays over time, as recorded since start-up,
// with the cursor's read-out and the figures of the span in view.
class TrendWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TrendWindow(const TrendRecorder &recorder, QWidget *parent = nullptr);

    // False, with the reason, when the file could not be written.
    bool savePng(const QString &path, QString &error);
    bool saveCsv(const QString &path, QString &error);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void catchUp();
    void showStatistics();
    void chooseSpan(int index);
    void saveAs(bool png);

    const TrendRecorder &recorder;
    TrendPlot plot;
    QComboBox spanChoice;
    int chosenSpan = 0; // the entry last chosen, which Follow returns to
    QPushButton followButton;
    QLabel readOut;
    std::array<QLabel, 8> statistics; // AI1 to AI3, DI1 to DI4, the input polls
};
