#pragma once

#include "Clock.h"
#include "Report.h"
#include "SelfTestResult.h"

#include <cstddef>
#include <string>
#include <vector>

namespace records {

// The self-test on one A4 page, to print and sign: who, where and when, each step with its
// result, values and times, the verdict in large type, and the traffic of each failed step.
// Self-contained HTML with its style inline.
std::string reportHtml(const procedures::SelfTestReport &report, const ReportHeader &header,
                       const line::WallClock &wallClock);

// The transactions of a step worth printing, by index: those its failures point at, each with
// the one before it (the write a read-back followed), the earliest `limit`; without such
// failures the last `limit`.
std::vector<std::size_t> trafficShown(const procedures::StepRecord &step, std::size_t limit);

std::string htmlEscaped(const std::string &text);

} // namespace records
