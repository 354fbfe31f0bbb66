#pragma once

#include <string>

namespace line {

// Every CSV field of free text, in every CSV the program writes (the traffic, the trend, the
// runs and the yield): quoted when it holds a comma, quote or line end, and after a ' when it
// begins with =, +, -, @, tab or CR.
std::string csvField(const std::string &text);

} // namespace line
