// The ON and OFF buttons. Row 0 switches all eight relays of every module on the
// line by broadcast; rows 1 to 8 switch one relay of the addressed module.
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
    if (index < 1) {
        std::vector<std::uint8_t> values(8, static_cast<std::uint8_t>(state));
        module2.WriteMultipleCoils(static_cast<std::uint8_t>(addressValue()), 0, 8, values);
    } else {
        module2.WriteSingleCoil(addressValue(), index, state);
    }
}
