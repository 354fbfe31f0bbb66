#pragma once

#include "SelfTestResult.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

// One slot of the station window: its port, the field a barcode scanner types the next serial
// number into, the run's progress, and its verdict, large and in colour so that it reads across
// a room, with what failed. The verdict stays until the slot's next serial number.
class StationTile : public QFrame {
    Q_OBJECT
public:
    StationTile(int slotNumber, const QString &portName, QWidget *parent = nullptr);

    QLineEdit &serialField() { return serial; }
    // A run starts for `serialNumber`: the field is locked until it ends.
    void showStarted(const QString &serialNumber);
    void showProgress(double fraction);
    // Every relay is being switched off before the window closes.
    void showStopping();
    // The run's end: its outcome in words and colour; what failed, or why it stopped.
    void showFinished(procedures::Outcome outcome, const QString &said);

signals:
    // Enter in the serial field, with a serial number in it.
    void serialEntered(const QString &serialNumber);

private:
    void showState(const QString &word, const QColor &background);

    QLabel port, tested, verdict, said;
    QLineEdit serial;
    QProgressBar progress;
};
