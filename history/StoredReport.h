#pragma once

#include "Clock.h"
#include "Report.h"
#include "SelfTestResult.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A self-test report read back from the JSON the history keeps, so that records::reportHtml makes
// the page again as it was first made: a lost file costs nothing. What the page does not show
// (the traffic of steps that did not fail) is not there.
struct StoredReport {
    procedures::SelfTestReport report;
    records::ReportHeader header;
    line::WallClock wallClock; // the times read are wall times already
};

// Nothing, with the reason in `error`, for text that is not such a report.
std::optional<StoredReport> readStoredReport(const QByteArray &json, QString *error);
