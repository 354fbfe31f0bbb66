#include "TcpModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

QString TcpModule::path()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" RZM_MODULE_DIR "/" RZM_TCP_MODULE));
}

std::unique_ptr<SerialComm> TcpModule::makeTcpComm(QString *error)
{
    // Qt keeps a loaded library and its one factory for the rest of the run, so
    // every later call finds them at once; the library is never unloaded.
    QPluginLoader loader(path());
    auto *factory = qobject_cast<TcpCommFactory *>(loader.instance());
    if (!factory) {
        // A module that is there but will not load (built for another Qt, or
        // another version of the port's interface) is not a missing one.
        const QString what = QFileInfo::exists(path())
                                 ? QStringLiteral("RTU over TCP cannot be loaded: %1 (%2)")
                                 : QStringLiteral("RTU over TCP is not installed: %1 (%2)");
        *error = what.arg(QDir::toNativeSeparators(path()), loader.errorString());
        return nullptr;
    }
    return factory->makeTcpComm();
}
