#include "ReportFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

records::ReportHeader reportHeader(const QString &operatorName, const QString &serialNumber,
                                   int comNumber, const QString &devicePath)
{
    return {QCoreApplication::applicationName().toStdString() + ' ' +
                QCoreApplication::applicationVersion().toStdString(),
            operatorName.toStdString(), serialNumber.toStdString(), comNumber,
            devicePath.toStdString()};
}

QString writeReportFile(const QString &path, const std::string &text)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(text.data(), qint64(text.size())) == qint64(text.size()) && file.commit())
        return {};
    return file.errorString();
}

QString unusedReportPath(const QString &folder, const QString &stem, const QStringList &extensions)
{
    const QDir dir(folder);
    for (int n = 1;; ++n) {
        const QString path = dir.filePath(n == 1 ? stem : stem + QStringLiteral("-%1").arg(n));
        const bool taken = std::any_of(extensions.begin(), extensions.end(), [&](const QString &e) {
            return QFileInfo::exists(path + QLatin1Char('.') + e);
        });
        if (!taken)
            return path;
    }
}

// QSaveFile makes its temporary file beside the target and renames it over the target at the
// end, so opening one and giving it up tries exactly what writing will need.
QString reportPathProblem(const QString &path)
{
    if (QFileInfo(path).isDir())
        return QStringLiteral("it is a folder");
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    probe.cancelWriting();
    return {};
}
