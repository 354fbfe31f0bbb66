// The ON and OFF buttons. Row 0 switches all eight relays of every module on the
// line by broadcast; rows 1 to 8 switch one relay of the addressed module. A
// click goes out at once when the line is free, else as soon as the reply under
// way is in, in the order the clicks were made, to the address it was made with.
#include "LineSession.h"
#include "frmMain.h"

void frmMain::btnON_Click(std::int16_t index)
{
    relayCommand(index, 1);
}

void frmMain::btnOFF_Click(std::int16_t index)
{
    relayCommand(index, 0);
}

void frmMain::relayCommand(std::int16_t index, std::int16_t state)
{
    LineArbiter &arbiter = session.arbiter();
    if (index < 1)
        arbiter.submit(line::ToolRequest::broadcastAllRelays(state != 0), line::Origin::All);
    else
        arbiter.submit(line::ToolRequest::writeRelay(static_cast<std::uint8_t>(addressValue()),
                                                     index, state != 0),
                       line::Origin::Relay);
}
