#pragma once

#include "SelfTestResult.h"

#include <string>
#include <vector>

namespace procedures {

// The one description of what a step found, for the dialog, the console, the HTML and the
// JSON alike: "20 of 20 reads answered, 4 / 5 / 9 ms (min / mean / max)", "relay 3 stuck on",
// "1: pass, 2: fail, 3: pass and 4: skipped; inputs 1 and 2 change together". Empty for a
// step not run.
std::string stepSummary(const SelfTestReport &report, StepId id);

// What a run that came to its verdict did not test: the inputs nobody switched (no operator,
// or skipped) or that nothing could switch, step by step. None for a run stopped short.
struct Untested {
    StepId step;
    std::vector<int> inputs;
    bool whole = false; // none of the step's inputs was tested
};
std::vector<Untested> untested(const SelfTestReport &report);
// "digital 3", or the step's name alone when none of its inputs was tested: "analog".
std::vector<std::string> untestedNames(const SelfTestReport &report);
// "(digital and analog inputs not tested)", "(digital input 4 not tested)"; empty when the
// run tested everything or did not come to a verdict.
std::string untestedNote(const SelfTestReport &report);

// The verdict line the console prints, and the dialog and the HTML show styled: the outcome
// in capitals, then the note or the reason: "PASS (digital and analog inputs not tested)",
// "ERROR: no module".
std::string verdictWord(Outcome outcome); // "PASS"
std::string verdictLine(Outcome outcome, const std::string &reason, const std::string &note = {});
std::string verdictLine(const SelfTestReport &report);

// What a station's slot shows beside its verdict word: on FAIL what failed, each failure in
// the report's words, step by step, joined by "; " ("input 2 does not follow relay 2 (relay
// 2's contact or input 2)"); on ERROR and ABORTED why; on PASS what was not tested, if anything.
std::string slotFindings(const SelfTestReport &report);

} // namespace procedures
