#pragma once

#include "Station.h"

#include <QLabel>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class RunKeeper;
class SlotRun;
class StationTile;

// "RZM-530 Station": several modules tested at once, one fixture a slot, by an operator with a
// barcode scanner. A serial number and Enter start a slot's self-test, and the next idle slot's
// field takes the keyboard. Each slot opens its port only for its run: an idle one sends
// nothing, and one whose port cannot be opened says so while the others go on. Every run is
// kept with the station's name and its slot. Closing the window while slots test stops each,
// every relay off and the run kept as ABORTED, and closes the window once all have stopped.
class StationWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *Title = "RZM-530 Station";

    // The history's keeper is asked for at each run kept: the history's settings may change
    // while the window is open, and with them the keeper.
    using Keeper = std::function<RunKeeper &()>;

    StationWindow(procedures::Station station, Keeper keeper, QWidget *parent = nullptr);
    ~StationWindow() override;

    // The station that the file at `path` describes, or why it is refused (its line and reason).
    static std::optional<procedures::Station> readStation(const QString &path, QString *refusal);
    // What the operator is told of a refused file.
    static QString cannotUse(const QString &refusal);

    bool running() const;

signals:
    // The window has closed, every slot stopped.
    void closed();
    // A run went into the history.
    void kept();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Bay;

    void start(std::size_t bay, const QString &serialNumber);
    void finish(std::size_t bay);
    void focusIdleAfter(std::size_t bay);
    void askOperator();
    void showHeading();

    procedures::Station station;
    Keeper keeper;
    QString stationName, operatorName;
    QLabel heading, status;
    std::vector<Bay> bays;
    bool shownBefore = false, closing = false;
    std::optional<int> flashTimeBefore; // while the caret stands still
};
