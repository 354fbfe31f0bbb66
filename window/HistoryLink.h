#pragma once

#include "Report.h"
#include "SelfTestResult.h"

#include <QObject>
#include <QString>

#include <memory>

class RunKeeper;

// The tester's way to its history, shared by the self-test dialog and the history window. The
// keeper, and with it the local file, is made at the first run kept or the first look at the
// history, never while the window starts.
class HistoryLink : public QObject {
    Q_OBJECT
public:
    explicit HistoryLink(QObject *parent = nullptr);
    ~HistoryLink() override;

    RunKeeper &keeper();
    // Keeps a finished run under this station's name; what went wrong in a sentence, or empty.
    // `runId`, when given, is the run's id, for sentAlone.
    QString keep(const procedures::SelfTestReport &report, const records::ReportHeader &header,
                 const line::WallClock &wallClock, QString *runId = nullptr);
    // Runs left waiting by an earlier session go up in the background, when there is a server.
    void syncInBackground();
    // The history settings were changed: the next use reaches the server they name.
    void settingsChanged();

signals:
    void kept();
    void progress(int uploaded, int total);
    void synced(int uploaded, int waiting, const QString &error);
    // A run the local file refused: whether the server took it, in a sentence.
    void sentAlone(const QString &runId, bool kept, const QString &said);
    void reconnected();

private:
    std::unique_ptr<RunKeeper> runKeeper;
};
