#pragma once

#include "Report.h"

#include <QString>

#include <string>

// What the dialog and the command line share when they keep a self-test report.

// The header, with the tester's own name and version.
line::ReportHeader reportHeader(const QString &operatorName, const QString &serialNumber,
                                int comNumber, const QString &devicePath);

// Writes the whole text to `path`; the reason when it could not, else nothing.
QString writeReportFile(const QString &path, const std::string &text);
