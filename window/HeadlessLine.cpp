#include "HeadlessLine.h"

#include "SerialComm.h"

HeadlessLine::HeadlessLine(SerialComm &comm, QObject *parent)
    : QObject(parent), comm(comm), link(comm, tap), master(link)
{
    // The framer's results are not used here; draining the port feeds the tap.
    connect(&comm, &SerialComm::OnComm, this,
            [this] { master.ReceiveBytes(master.LastRequest.Address); });
}
