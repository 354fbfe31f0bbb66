#pragma once

#include "FigureLabel.h"
#include "TimelineStrip.h"
#include "TrafficModel.h"
#include "TrafficView.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

#include <array>

class LineTap;
class QToolBar;

// "RZM-530 Line Monitor": how the line has done since the last reset, and every
// transaction kept, newest at the bottom.
class MonitorWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MonitorWindow(LineTap &tap, QWidget *parent = nullptr);

    QToolBar &tools() { return *toolBar; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    enum Figure {
        Requests,
        Good,
        NoReply,
        CrcErrors,
        Exceptions,
        WrongAddress,
        Garbled,
        Unsolicited,
        ResponseTime,
        Since,
        EndedByTester, // cut short by our own next request, or the port closed
        ScanProbes,
        SelfTestRequests,
        Figures
    };
    QWidget *healthPanel();
    void catchUp();
    void showHealth();
    void save();
    void copyRows();

    LineTap &tap;
    TrafficModel model;
    TrafficView view;
    TimelineStrip timeline;
    std::array<FigureLabel, Figures> figures;
    QToolBar *toolBar = nullptr;
    // Many transactions in a burst make one update, at most one each
    // CatchUpEveryMs; one after a quiet spell is shown at once, in the wake-up
    // that ended it.
    static constexpr qint64 CatchUpEveryMs = 50;
    QTimer catchUpSoon;
    QElapsedTimer sinceCatchUp;
};
