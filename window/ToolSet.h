#pragma once

#include "HistoryLink.h"
#include "SelfTestDialog.h"
#include "Tools.h"

#include <memory>

class HistoryWindow;
class MonitorWindow;
class StationWindow;
class StopThenQuit;
class TrendWindow;

// The tools as the main window opens them: one monitor, trend, history and station window each,
// made on first use and kept, shown again and brought forward; the finder, the self-test and
// the ports dialog each time anew, over the main window.
class ToolSet final : public Tools {
public:
    explicit ToolSet(const ToolHost &host);
    ~ToolSet() override;

    void showMonitor() override;
    void showTrend() override;
    void showFindModule() override;
    void showSelfTest() override;
    void showPorts() override;
    void showHistory() override;
    void showStation() override;
    void syncHistory() override;
    void closeWindows() override;
    void stopThenQuit(std::function<void()> quit) override;

private:
    ToolHost host;
    // Declared before what uses them, so that members are destroyed users first.
    std::unique_ptr<MonitorWindow> monitor;
    std::unique_ptr<TrendWindow> trendWindow;
    HistoryLink historyLink;
    std::unique_ptr<HistoryWindow> historyWindow;
    std::unique_ptr<StationWindow> stationWindow;
    SelfTestDialog::Memory selfTestMemory; // kept until the program closes
    std::unique_ptr<StopThenQuit> stopping;
};
