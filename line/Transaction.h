#pragma once

#include "Clock.h"
#include "LineTiming.h"
#include "Origin.h"
#include "Rtu.h"
#include "Verdict.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace line {

// One request and what came back, or bytes that came unasked (no request).
// Only bytes and times are kept; every word about them is made on demand.
struct Transaction {
    Time start;                      // the request began, or the first unasked byte came
    Time requestEnd;                 // its last byte was written
    Time replyEnd;                   // the last byte was received
    std::vector<std::uint8_t> bytes; // the request, then the reply
    std::uint32_t requestSize = 0;
    Verdict verdict = Verdict::NoReply;
    Origin origin = Origin::Unsolicited;
    std::chrono::milliseconds replyWindow = ReplyWindow;

    ByteView request() const { return {bytes.data(), requestSize}; }
    ByteView reply() const { return ByteView(bytes).from(requestSize); }

    // From the request's last byte to the reply's last byte; none when nothing answered.
    std::optional<double> responseMs() const;
    std::optional<std::uint8_t> exceptionCode() const;
    // Only the user's own requests to the module tell how the link is: not
    // broadcasts, unasked bytes, or a tool's requests.
    bool changesStatus() const;
};

} // namespace line
