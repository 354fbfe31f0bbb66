#pragma once

#include <chrono>

// How long the line belongs to a request, and the silences that end what is on it.
namespace line {

// A request holds the line until its reply is complete, or for this long after
// its last byte. The monitor judges "No reply" by the same window, so nothing
// the arbiter lets go of can be judged the module's fault. A scan's probes use
// the finder's own, shorter window.
inline constexpr std::chrono::milliseconds ReplyWindow{1000};
inline constexpr std::chrono::milliseconds ShortestReplyWindow{100};

// After a broadcast nobody answers; the modules are given this long to act on it
// before the next request, as is usual on a Modbus serial line.
inline constexpr std::chrono::milliseconds BroadcastTurnaround{100};

// Bytes nobody asked for are grouped into one entry until the line is quiet this long.
inline constexpr std::chrono::milliseconds UnsolicitedSilence{100};

} // namespace line
