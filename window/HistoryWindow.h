#pragma once

#include "HistoryDb.h"
#include "HistoryModel.h"
#include "YieldBars.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>

#include <memory>

class HistoryLink;

// "RZM-530 Test History": the kept runs, newest first, filtered; a run's report made again
// from its record; the yield per day of the runs shown; their export as CSV; and the upload
// of what waits. It reads the server when one is set, else the local file, and says which.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit HistoryWindow(HistoryLink &link, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    RunFilter filter() const;
    // The report of the run in `row`, in a window of its own.
    void openReport(int row);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *filterPanel();
    QWidget *yieldPanel();
    void connectDatabases();
    void reachServer(const ServerUrl &url);
    void refresh();
    void showYield();
    void showStatus(const QString &problem = {});
    void exportCsv();
    void editSettings();
    void synced(int uploaded, int waiting, const QString &error);

    HistoryLink &link;
    std::unique_ptr<HistoryDb> local, server;
    QString serverProblem;
    bool connected = false;
    bool serverSet = false;   // a server is configured, reached or not
    quint64 reachAttempt = 0; // the latest attempt to reach it; older ones are ignored

    QLineEdit serial, operatorName, station;
    QComboBox outcome;
    QCheckBox useSince, useUntil;
    QDateEdit since, until;
    HistoryModel model;
    QTableView runs;
    QTableWidget yield;
    YieldBars yieldBars; // drawn from the days the table shows
    QHBoxLayout yieldRow;
    QLabel status;
    QProgressBar progress;
    QPushButton openButton, exportButton, syncButton, settingsButton;
    QTimer refreshSoon; // typing in a field makes one query
};
