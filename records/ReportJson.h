#pragma once

#include "Clock.h"
#include "Report.h"
#include "SelfTestResult.h"

#include <string>

namespace line {

// The self-test as JSON for the record. Keys, as they stay:
//   tester, verdict ("pass", "fail", "no module", "cancelled": a run stopped before its end,
//   by a cancel or a lost port), outcome ("pass", "fail", "error", "aborted"), reason (why an
//   error or aborted run stopped, else null), started, finished (isoTime, null without
//   traffic), operator, module {address, serial_number}, port {com, device},
//   steps[] {name, result ("pass", "fail", "skipped", "not run", "cancelled", "error"),
//   started, finished, summary (the step's one description), values {...}, failures [text],
//   traffic [...] of a failed step only: {time, request, reply, verdict, verdict_name (verdictName(): "ok",
//   "no_reply", ...), response_ms, meaning},
//   evidence [...] of a failed step only: for each failure, the index in traffic of the
//   transaction that shows it, or null}.
// values by step, empty for a step not run:
//   link    {reads, good, min_ms, mean_ms, max_ms}
//   relays  {failed [relay numbers], faults [{relay, fault ("stuck_on", "stuck_off",
//           "inverted")}], all_failed}
//   digital {inputs [{input, result, on_seen, off_seen}], crossed [[input, input]]}
//   analog  {low_limits [min, max], high_limits [min, max], inputs [{input, result, low, high}],
//           crossed [[input, input]]}
std::string reportJson(const SelfTestReport &report, const ReportHeader &header,
                       const WallClock &wallClock);

} // namespace line
