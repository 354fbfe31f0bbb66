#include "ModuleFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

QString ModuleFile::path(const QString &fileName)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" RZM_MODULE_DIR "/") + fileName);
}

void *ModuleFile::load(const QString &fileName, const QString &what, const char *iid,
                       QString *error)
{
    const QString file = path(fileName);
    QPluginLoader loader(file);
    QObject *instance = loader.instance();
    if (void *wanted = instance ? instance->qt_metacast(iid) : nullptr)
        return wanted;
    // A module that is there but will not load (built for another Qt), or that serves another
    // version of the interface, is not a missing one.
    const QString why = QFileInfo::exists(file) ? QStringLiteral("%1 cannot be loaded: %2 (%3)")
                                                : QStringLiteral("%1 is not installed: %2 (%3)");
    const QString reason =
        instance ? QStringLiteral("it does not serve %1").arg(QLatin1String(iid))
                 : loader.errorString();
    *error = why.arg(what, QDir::toNativeSeparators(file), reason);
    return nullptr;
}
