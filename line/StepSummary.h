#pragma once

#include "SelfTestResult.h"

#include <string>

namespace line {

// One line on what a step measured: "20 of 20 reads answered, 4 / 5 / 9 ms
// (min / mean / max)", "relays 3 and 5 failed", "input 2 not seen off".
std::string stepSummary(const SelfTestReport &report, StepId id);

} // namespace line
