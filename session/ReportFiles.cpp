#include "ReportFiles.h"

#include <QCoreApplication>
#include <QFile>

line::ReportHeader reportHeader(const QString &operatorName, const QString &serialNumber,
                                int comNumber, const QString &devicePath)
{
    return {QCoreApplication::applicationName().toStdString() + ' ' +
                QCoreApplication::applicationVersion().toStdString(),
            operatorName.toStdString(), serialNumber.toStdString(), comNumber,
            devicePath.toStdString()};
}

QString writeReportFile(const QString &path, const std::string &text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(text.data(), qint64(text.size())) == qint64(text.size()) && file.flush())
        return {};
    return file.errorString();
}
