#pragma once

#include <cstdint>

namespace line {

// Who asked for a transaction. The line's health and the link status speak of
// the user's own traffic; a scan's probes and a self-test's requests are shown
// with the rest but counted apart, and bytes nobody asked for are unsolicited.
enum class Origin : std::uint8_t { Poll, Relay, All, Scan, SelfTest, Unsolicited };

inline bool usersOwn(Origin origin)
{
    return origin == Origin::Poll || origin == Origin::Relay || origin == Origin::All;
}

// "poll", "relay", "All", "scan", "self-test", "unsolicited"
const char *originWord(Origin origin);

} // namespace line
