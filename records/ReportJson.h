#pragma once

#include "Clock.h"
#include "Report.h"
#include "SelfTestResult.h"

#include <string>

namespace records {

// The self-test as JSON for the record. Keys, as they stay:
//   tester, verdict ("pass", "fail", "no module", "cancelled": a run stopped before its end,
//   by a cancel or a lost port), outcome ("pass", "fail", "error", "aborted"), reason (why an
//   error or aborted run stopped, else null), untested [what a run that came to its verdict
//   left untested: "digital", a step none of whose inputs was tested, or "analog 3"], fixture
//   (its name, or null when none wired the inputs), started, finished (isoTime, null without
//   traffic), operator, module {address, serial_number}, port {com,
//   device}, steps[] {name, result ("pass", "fail", "skipped", "not run", "cancelled", "error"),
//   started, finished, summary (the step's one description), values {...}, failures [text],
//   traffic [...] of a failed step only: {time, request, reply, verdict, verdict_name (verdictName(): "ok",
//   "no_reply", ...), response_ms, meaning},
//   evidence [...] of a failed step only: for each failure, the index in traffic of the
//   transaction that shows it, or null}.
// values by step, empty for a step not run:
//   link    {reads, good, min_ms, mean_ms, max_ms}
//   relays  {failed [relay numbers], faults [{relay, fault ("stuck_on", "stuck_off",
//           "inverted")}], all_failed}
//   digital {inputs [{input, result, on_seen, off_seen}], crossed [[input, input]], failed
//           [input numbers], faults [{input, relay, reason}] (on a fixture: what each failed
//           input did wrong, and the relay switched when it showed)}
//   analog  {low_limits [min, max], high_limits [min, max] (null on a fixture), inputs [{input,
//           result, low, high, and on a fixture its own low_limits and high_limits}], crossed,
//           failed, faults as digital's, readings [{input, off [counts], on [counts]}] (on a
//           fixture: every value each input read with its relay off and on)}
std::string reportJson(const procedures::SelfTestReport &report, const ReportHeader &header,
                       const line::WallClock &wallClock);

} // namespace records
