#pragma once

#include "SerialComm.h"

#include <QtPlugin>

#include <memory>

// RTU over TCP lives in a module of its own (tcp/), loaded when a tcp:// port is
// first opened, so that a program that never opens one never maps Qt Network.
class TcpCommFactory {
public:
    virtual ~TcpCommFactory() = default;
    // A port that connects to the server its setPort("tcp://HOST:PORT") names.
    virtual std::unique_ptr<SerialComm> makeTcpComm() = 0;
};

// The module calls SerialComm by the layout it was built with: raise the
// version with every change to SerialComm.h, so that a module built before it
// is refused by the loader instead of called.
#define TcpCommFactory_iid "org.example.rzm530.TcpCommFactory/1"
Q_DECLARE_INTERFACE(TcpCommFactory, TcpCommFactory_iid)

namespace TcpModule {

// A TCP port from the module, loaded now if it is not yet; null, with the reason in
// words, when the module is missing or will not load.
std::unique_ptr<SerialComm> makeTcpComm(QString *error);

} // namespace TcpModule
