// The poll cycle: one request a tick, alternating coils and registers; each tick
// shows what the reply to the other kind of request delivered.
#include "Colours.h"
#include "MessageBox.h"
#include "Twips.h"
#include "frmMain.h"

#include <algorithm>

namespace {

constexpr int BarOutlineTwips = 2655;
constexpr double FullScale = 1023.0;

std::uint32_t lampColour(bool on)
{
    return on ? Colours::Green : Colours::Red;
}

} // namespace

// While a message box waits for the user, ticks do nothing: the replies would
// pile up behind the box and be framed against a later request. A scan or a
// self-test has the line to itself the same way.
void frmMain::pollTimer_Timer()
{
    if (!chkPoll.isChecked() || testerMessageOpen() || pollPauses > 0)
        return;
    const std::int16_t address = addressValue();
    if (!PollPhase) {
        module2.ReadCoils(static_cast<std::uint8_t>(address), 0, 8);
        showAnalogInputs();
        showDigitalInputs();
        PollPhase = true;
    } else {
        module2.ReadHoldingRegisters(address, 0, 11);
        showRelays();
        PollPhase = false;
    }
}

void frmMain::MSComm1_OnComm()
{
    module2.ReceiveBytes(addressValue());
    link.flushRx();
}

void frmMain::showDeviceImage()
{
    showAnalogInputs();
    showDigitalInputs();
    showRelays();
}

// Values above full scale fill the outline and go no further.
void frmMain::showAnalogInputs()
{
    for (int r = 0; r < 3; ++r) {
        const std::uint16_t value = module2.RegValue[std::size_t(r) + 5];
        txtAn(r).setText(QString::number(value));
        Shape &bar = Shape4(r);
        bar.setFillColor(Colours::Green);
        const auto widthTwips = static_cast<float>(
            std::min(double(value) / FullScale * BarOutlineTwips, double(BarOutlineTwips)));
        bar.resize(Twips::toPixels(widthTwips), bar.height());
    }
}

void frmMain::showDigitalInputs()
{
    for (int c = 1; c <= 4; ++c)
        Shape2(c).setFillColor(lampColour(module2.RegValue[std::size_t(c) + 7] != 0));
}

void frmMain::showRelays()
{
    for (int n = 1; n <= 8; ++n)
        Shape1(n).setFillColor(lampColour(module2.CoilStatus(std::int16_t(n - 1)) != 0));
}
