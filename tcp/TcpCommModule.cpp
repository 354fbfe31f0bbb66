// The module's one entry: Qt's plugin loader finds this factory by its interface.
#include "TcpComm.h"
#include "TcpModule.h"

class TcpCommModule final : public QObject, public TcpCommFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TcpCommFactory_iid)
    Q_INTERFACES(TcpCommFactory)
public:
    std::unique_ptr<SerialComm> makeTcpComm() override { return std::make_unique<TcpComm>(); }
};

#include "TcpCommModule.moc"
