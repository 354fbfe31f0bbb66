#pragma once

#include "Rtu.h"

#include <cstdint>
#include <optional>
#include <string>

namespace line {

enum class Verdict : std::uint8_t {
    Ok,
    NoReply,
    CrcError,
    Exception,
    WrongAddress,
    Garbled,
    Broadcast,
    Unsolicited,
    // Ended by the tester before the reply was complete or its window had
    // passed: said so, never counted against the module.
    CutShort,   // by the tester's own next request
    PortClosed, // by the port closing
};

// The verdict as the records keep it, a name that never changes with the words the monitor
// shows: "ok", "no_reply", "crc_error", "exception", "wrong_address", ...
const char *verdictName(Verdict verdict);
std::optional<Verdict> verdictNamed(const std::string &name);

// What the bytes received after a request say about it. No request at all
// means the bytes came unasked.
Verdict verdictOf(ByteView request, ByteView reply);

// Whether the reply already holds as many bytes as a normal reply to the
// request has, or a whole exception frame: more waiting cannot make it better.
bool replyComplete(ByteView request, ByteView reply);

// Whether the verdict is the module's fault, which the monitor shows as an error. What the
// tester itself ended, a broadcast and bytes nobody asked for are not.
bool modulesFault(Verdict verdict);

} // namespace line
