#pragma once

#include "Clock.h"
#include "Report.h"
#include "SelfTestResult.h"

#include <string>

namespace line {

// The self-test as JSON for the record. Keys, as they stay:
//   tester, verdict ("pass", "fail", "no module", "cancelled"), started, finished
//   (isoTime, null without traffic), operator, module {address, serial_number},
//   port {com, device}, steps[] {name, result ("pass", "fail", "skipped", "not run",
//   "cancelled"), started, finished, values {...}, failures [text], traffic [...] of a failed
//   step only: {time, request, reply, verdict, response_ms, meaning}}.
// values by step, empty for a step not run:
//   link    {reads, good, min_ms, mean_ms, max_ms}
//   relays  {failed [relay numbers], all_failed}
//   digital {inputs [{input, result, on_seen, off_seen}]}
//   analog  {low_limits [min, max], high_limits [min, max], inputs [{input, result, low, high}]}
std::string reportJson(const SelfTestReport &report, const ReportHeader &header,
                       const WallClock &wallClock);

} // namespace line
