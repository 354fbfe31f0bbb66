// The poll cycle: one request a tick, alternating coils and registers; each tick
// shows what the reply to the other kind of request delivered.
#include "Colours.h"
#include "LineSession.h"
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

// The request goes to the arbiter, which writes it the moment the line is free.
// While a scan or a self-test has the line, or a message box waits for the
// user, ticks do nothing and the cycle goes on where it stopped afterwards; so
// does a tick whose previous poll still waits behind a silent module, and one
// while the port still connects.
void frmMain::pollTimer_Timer()
{
    LineArbiter &arbiter = session.arbiter();
    if (!chkPoll.isChecked() || arbiter.held() || session.opening() ||
        arbiter.waiting(line::Origin::Poll))
        return;
    const auto address = static_cast<std::uint8_t>(addressValue());
    if (!PollPhase) {
        arbiter.submit(line::ToolRequest::readCoils(address), line::Origin::Poll);
        showAnalogInputs();
        showDigitalInputs();
        PollPhase = true;
    } else {
        arbiter.submit(line::ToolRequest::readRegisters(address), line::Origin::Poll);
        showRelays();
        PollPhase = false;
    }
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
