#pragma once

#include "Report.h"

#include <QString>
#include <QStringList>

#include <string>

// What the dialog and the command line share when they keep a self-test report. Qt Core only.
// A report is written whole or not at all: a reader never finds half a report, and a file
// already there is kept until the new one is complete.

// The header, with the tester's own name and version.
records::ReportHeader reportHeader(const QString &operatorName, const QString &serialNumber,
                                   int comNumber, const QString &devicePath);

// Writes the whole text to `path`, replacing a file there at once; the reason when it could
// not, else nothing.
QString writeReportFile(const QString &path, const std::string &text);

// A path in `folder` for a report the program names itself, without its extension: `stem`, or
// "stem-2", "stem-3" … so that none of its files with `extensions` ("html", "json") is there
// yet. An earlier report is never replaced, and a report's files share one name.
QString unusedReportPath(const QString &folder, const QString &stem, const QStringList &extensions);

// Why a report could not be written to `path`, checked before a test begins by the means that
// will write it, leaving nothing behind; empty when it can.
QString reportPathProblem(const QString &path);
