#include "ProgramName.h"

#include "ExitStatus.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace {

QString programName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

} // namespace

QString programPrefix()
{
    return programName() + QStringLiteral(": ");
}

int usageError(const QString &error)
{
    QTextStream(stderr) << programPrefix() << error << "\nTry '" << programName() << " --help'.\n";
    return exitStatus::Error;
}
