#pragma once

#include "LineTap.h"
#include "Module2.h"
#include "TappedLink.h"

#include <QObject>

class SerialComm;

// The master and the line monitor on a port, with no window: for the command
// line's scan and self-test.
class HeadlessLine : public QObject {
    Q_OBJECT
public:
    explicit HeadlessLine(SerialComm &comm, QObject *parent = nullptr);

    SerialComm &comm;
    LineTap tap;
    TappedLink link;
    modbus::ModbusMaster master;
};
