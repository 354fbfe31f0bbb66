#include "TappedLink.h"

#include "LineEcho.h"
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
    if (echo)
        echo->clearTx();
}

void TappedLink::clearRx()
{
    if (echo)
        echo->clearRx();
}

void TappedLink::setRxColour(std::uint32_t bgr)
{
    if (echo)
        echo->setRxColour(bgr);
}

void TappedLink::appendTx(std::string_view text)
{
    if (echo)
        echo->appendTx(text);
}

void TappedLink::appendRx(std::string_view text)
{
    if (echo)
        echo->appendRx(text);
}

void TappedLink::showMessage(std::string_view text)
{
    if (!echo)
        return;
    holdForMessage(true);
    echo->showMessage(text);
    holdForMessage(false);
}
