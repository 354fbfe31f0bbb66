#include "TcpModule.h"

#include "ModuleFile.h"

std::unique_ptr<SerialComm> TcpModule::makeTcpComm(QString *error)
{
    auto *factory = ModuleFile::load<TcpCommFactory>(QStringLiteral(RZM_TCP_MODULE),
                                                     QStringLiteral("RTU over TCP"), error);
    return factory ? factory->makeTcpComm() : nullptr;
}
