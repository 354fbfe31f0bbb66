#pragma once

#include "CommandLine.h"
#include "HistoryDb.h"
#include "Report.h"
#include "RunRecord.h"
#include "SelfTestResult.h"
#include "ServerUrl.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QuitOnSignal;

// The console's self-test runs kept in the history, unless --no-history: each at once in the
// local file as it ends, then, with a server, the runs kept here alone uploaded together,
// waited for at most 3 s without headway and not at all after Ctrl+C or SIGTERM; a run the
// server does not take meanwhile waits in the local file for --sync or the window. A run the
// local file cannot take goes to the server alone. What went wrong is said on standard error;
// the verdicts stand all the same, but a run in neither place ends the program with exit 2,
// and a signal with 130.
class KeptRuns {
public:
    explicit KeptRuns(const CommandLine::SelfTest &options);

    // `slot`: the station's slot the run was tested in, empty for the tester's one port.
    void keep(const procedures::SelfTestReport &report, const records::ReportHeader &header,
              const line::WallClock &wallClock, const QString &slot = {});
    // The exit code the keeping calls for, if any.
    std::optional<int> upload(QuitOnSignal &interrupt);

private:
    struct Kept {
        records::RunRecord run;
        QString name; // "the run", "the run of COM 3"
        bool locally = false;
        QString localProblem;
    };

    bool on;
    QString station;
    std::unique_ptr<HistoryDb> local; // opened at the first run, kept open for the next
    QString localProblem;
    std::optional<ServerUrl> server;
    std::vector<Kept> kept;
    bool lost = false; // a run in neither place
};

// The one run of --self-test, kept and uploaded.
std::optional<int> keepRun(const CommandLine::SelfTest &options,
                           const procedures::SelfTestReport &report,
                           const records::ReportHeader &header, const line::WallClock &wallClock,
                           QuitOnSignal &interrupt);
