#include "Tools.h"

#include "ModuleFile.h"

#include <QPluginLoader>

ToolsFactory *ToolsModule::load(QString *error)
{
    for (QObject *builtIn : QPluginLoader::staticInstances())
        if (auto *tools = qobject_cast<ToolsFactory *>(builtIn))
            return tools;
    return ModuleFile::load<ToolsFactory>(QStringLiteral(RZM_TOOLS_MODULE),
                                          QStringLiteral("The tools module"), error);
}
