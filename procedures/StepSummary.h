#pragma once

#include "SelfTestResult.h"

#include <string>

namespace line {

// The one description of what a step found, for the dialog, the console, the HTML and the
// JSON alike: "20 of 20 reads answered, 4 / 5 / 9 ms (min / mean / max)", "relay 3 stuck on",
// "1: pass, 2: fail, 3: pass and 4: skipped; inputs 1 and 2 change together". Empty for a
// step not run.
std::string stepSummary(const SelfTestReport &report, StepId id);

} // namespace line
