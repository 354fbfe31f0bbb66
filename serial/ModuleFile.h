#pragma once

#include <QObject>
#include <QString>

// The programs' private modules (RTU over TCP, the tester's tools), each loaded on first use.
// They lie at the same place relative to the program's folder in the build tree and in the
// installed package, so one lookup serves both.
namespace ModuleFile {

QString path(const QString &fileName);

// The module's `iid` interface, loaded now if it is not yet; null, with the reason in words,
// when the module is missing, will not load, or serves another version of the interface.
// `what` names it in that reason ("RTU over TCP"). Qt keeps a loaded module and its instance
// for the rest of the run: it is never unloaded.
void *load(const QString &fileName, const QString &what, const char *iid, QString *error);

template <typename Interface>
Interface *load(const QString &fileName, const QString &what, QString *error)
{
    return static_cast<Interface *>(
        load(fileName, what, qobject_interface_iid<Interface *>(), error));
}

} // namespace ModuleFile
