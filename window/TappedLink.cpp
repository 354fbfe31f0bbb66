#include "TappedLink.h"

#include "LineTap.h"
#include "SerialComm.h"

bool TappedLink::PortOpen() const
{
    return comm.PortOpen();
}

bool TappedLink::Output(std::uint8_t byte)
{
    const bool written = comm.Output(byte);
    if (written)
        tap.byteWritten(byte);
    return written;
}

int TappedLink::InBufferCount() const
{
    return comm.InBufferCount();
}

std::uint8_t TappedLink::Input()
{
    const std::uint8_t byte = comm.Input();
    tap.byteReceived(byte);
    return byte;
}

void TappedLink::clearTx()
{
    tap.requestStarted();
}
