#pragma once

#include "ClickLabel.h"
#include "Frame.h"
#include "Module2.h"
#include "Shape.h"
#include "WindowEcho.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class LineSession;
class SerialComm;
class Tools;
namespace line {
struct Transaction;
}

// The tester's one window. Parents are declared before their children so that
// members are destroyed children first.
class frmMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int PortMin = 1, PortMax = 50;
    static constexpr int AddressMin = 0, AddressMax = 99;
    static constexpr const char *LinkText = "www.example.com";
    static constexpr const char *LinkUrl = "https://www.example.com/";

    // The window shows and drives the session's line.
    explicit frmMain(LineSession &session, QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up, settings and port selection
    void Form_Load();
    void OpenComPort(std::int16_t port);
    void txtPort_Change();
    void txtAddr_Change();
    void Label10_Click();

    // Relay commands
    void btnON_Click(std::int16_t index);
    void btnOFF_Click(std::int16_t index);

    // Poll cycle and status display
    void pollTimer_Timer();

    void showMonitor();
    void showFindModule();
    void showSelfTest();
    void showPorts();
    void showHistory();
    void showTrend();
    void showStation();
    // Loads the tools, which send the runs an earlier session could not upload to the history
    // server in the background. Start-up calls it only when a server is set.
    void syncHistory();
    // Ctrl+C, SIGTERM or SIGHUP: a self-test or a station under way first switches its relays
    // off and keeps its ABORTED reports, then the program quits.
    void stopThenQuit();

    // What the finder asks of the fields when it is done.
    // Opens `port` again as the COM Port field would, when `reopen`; else
    // leaves the line closed with `port` chosen.
    void restorePort(int port, bool reopen);
    // Sets both fields as if the user had typed them, so the port reopens.
    void useModule(int port, int address);

protected:
    void moveEvent(QMoveEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void centreFrame();
    void connectHandlers();
    void relayCommand(std::int16_t index, std::int16_t state);
    // Paints the lamps, values and bars from the device image now, as the ticks
    // would: a tool that has the line shows what it reads.
    void showDeviceImage();
    void showAnalogInputs();
    void showDigitalInputs();
    void showRelays();
    std::int16_t addressValue() const;
    void showPortDevice(const QString &remark = {});
    void showOpenFailed();
    void showLinkStatus(const line::Transaction &transaction);
    void showLinkStatus(const QString &text, bool good, const QString &detail = {});
    // The tools, loaded on first use; null, once the user is told why, when they cannot be.
    Tools *loadedTools();
    void openTool(void (Tools::*open)());

    // Control arrays by their indexes.
    Shape &Shape1(int n) { return relayLamps[std::size_t(n - 1)]; }
    Shape &Shape2(int c) { return inputLamps[std::size_t(c - 1)]; }
    Shape &Shape4(int r) { return bars[std::size_t(r)]; }
    QLineEdit &txtAn(int r) { return analogValues[std::size_t(r)]; }

    LineSession &session;
    SerialComm &MSComm1;
    const modbus::ModbusMaster &module2; // the device image

    Frame Frame1, Frame4, Frame6, Frame2, Frame3;

    QLabel Label1, Label2;
    QLineEdit txtPort, txtAddr;
    QCheckBox chkPoll;
    ClickLabel lblStatus; // the link status, in the free space of the Settings frame

    QLabel Label4, Label5;
    QLineEdit txtTX;
    QPlainTextEdit txtRX;

    std::array<QLabel, 3> analogLabels; // Label6(0), Label9(0), Label9(1)
    std::array<QLineEdit, 3> analogValues;
    std::array<Shape, 3> bars;        // Shape4
    std::array<Shape, 3> barOutlines; // Shape3

    std::array<QLabel, 13> Label3;   // 0 to 8 in Relays, 9 to 12 in Digital Inputs
    std::array<Shape, 8> relayLamps; // Shape1(1) to Shape1(8)
    std::array<QPushButton, 9> btnON, btnOFF;
    std::array<Shape, 4> inputLamps; // Shape2(1) to Shape2(4)

    ClickLabel Label10;
    QTimer pollTimer;

    QAction monitorAction, trendAction, findModuleAction, selfTestAction, portsAction,
        historyAction, stationAction;
    WindowEcho echo;
    bool PollPhase = false; // false: the next tick reads coils
    bool frameCentred = false;
    std::unique_ptr<Tools> tools;
};
