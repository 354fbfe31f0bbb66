// Arbitrary traffic through the line monitor. The input is read as a little
// program: an opcode byte, then its argument. Every transaction that ends must
// have words, and the counts, the ring and the sequence numbers must agree
// with what the listener was told. The seeds are the LineVectors table, written
// into the corpus directories named on the command line.
#include "LineMonitor.h"
#include "LineVectors.h"
#include "TrafficCsv.h"
#include "Words.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

enum Op : std::uint8_t {
    Start,
    Write,   // byte
    Receive, // byte
    Wait,    // 8 ms a step
    CloseNow,
    ResetHealth,
    CloseWhenComplete,
    StartProbe, // a scan's probe, its window 8 ms a step of the argument
    PortClosed,
    OpCount,
};

constexpr std::size_t Capacity = 8;

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::string seedProgram(const LineVector &v)
{
    std::string program;
    if (*v.request != '\0')
        program += char(Start);
    for (auto byte : bytesOf(v.request))
        program += {char(Write), char(byte)};
    program += {char(Wait), char(3)};
    for (auto byte : bytesOf(v.reply))
        program += {char(Receive), char(byte)};
    program += {char(Wait), char(255)};
    return program;
}

// What the listener has been told since the health was last reset.
struct Heard {
    std::uint64_t total = 0;
    std::map<line::Verdict, std::uint64_t> byVerdict; // the user's own traffic
    std::uint64_t unaskedBytes = 0;
    std::uint64_t probes = 0;
};

void hear(const line::LineMonitor &m, const line::Transaction &t, Heard &heard)
{
    check(&t == &m.traffic().newest());
    const bool unsolicited = t.verdict == line::Verdict::Unsolicited;
    check(unsolicited == t.request().empty());
    check(!unsolicited || (!t.reply().empty() && t.reply().size() <= 256));
    check(t.exceptionCode().has_value() == (t.verdict == line::Verdict::Exception));
    const auto ms = t.responseMs();
    check(!ms || *ms >= 0);
    const bool endedByTester =
        t.verdict == line::Verdict::CutShort || t.verdict == line::Verdict::PortClosed;
    check(ms.has_value() == (!t.reply().empty() && !unsolicited && !endedByTester &&
                             t.verdict != line::Verdict::Broadcast));
    check(!endedByTester || !line::replyComplete(t.request(), t.reply()));
    check(!line::verdictText(t).empty() && !line::statusText(t).empty());
    check(!line::meaning(t).empty());
    check(line::hex(t.request()).size() == (t.request().empty() ? 0 : 3 * t.request().size() - 1));
    check(!line::trafficCsvRow(t, m.wallClock()).empty());
    check(line::timeOfDay(m.wallClock()(t.start)).size() == 12);
    ++heard.total;
    if (unsolicited || t.verdict == line::Verdict::Broadcast)
        heard.unaskedBytes += t.reply().size();
    if (t.origin == line::Origin::Scan)
        ++heard.probes;
    else
        ++heard.byVerdict[t.verdict];
}

void checkAgrees(const line::LineMonitor &m, const Heard &sinceReset, std::uint64_t total)
{
    const line::Traffic &traffic = m.traffic();
    check(traffic.size() <= Capacity);
    check(traffic.nextSequence() == total);
    check(traffic.nextSequence() - traffic.firstSequence() == traffic.size());

    const line::Health &h = m.health();
    auto heard = [&](line::Verdict v) {
        const auto it = sinceReset.byVerdict.find(v);
        return it == sinceReset.byVerdict.end() ? 0 : it->second;
    };
    check(h.good == heard(line::Verdict::Ok));
    check(h.noReply == heard(line::Verdict::NoReply));
    check(h.crcErrors == heard(line::Verdict::CrcError));
    check(h.exceptionCount() == heard(line::Verdict::Exception));
    check(h.wrongAddress == heard(line::Verdict::WrongAddress));
    check(h.garbled == heard(line::Verdict::Garbled));
    check(h.broadcasts == heard(line::Verdict::Broadcast));
    check(h.endedByTester == heard(line::Verdict::CutShort) + heard(line::Verdict::PortClosed));
    check(h.scanProbes.requests == sinceReset.probes);
    check(h.requests == sinceReset.total - sinceReset.probes - heard(line::Verdict::Unsolicited));
    check(h.unsolicitedBytes == sinceReset.unaskedBytes);
    check(!h.minMs || (*h.minMs <= *h.meanMs() + 1e-9 && *h.meanMs() <= *h.maxMs + 1e-9));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    namespace fs = std::filesystem;
    for (int i = 1; i < *argc; ++i) {
        const fs::path dir = (*argv)[i];
        std::error_code error;
        if ((*argv)[i][0] == '-' || !fs::is_directory(dir, error))
            continue;
        for (std::size_t k = 0; k < std::size(LineVectors); ++k)
            std::ofstream(dir / ("seed-" + std::to_string(k)), std::ios::binary)
                << seedProgram(LineVectors[k]);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    line::LineMonitor m(Capacity,
                        [](line::Time t) { return line::WallTime(t.time_since_epoch()); });
    line::Time now{};
    Heard sinceReset;
    std::uint64_t total = 0;
    m.setListener([&](const line::Transaction &t) {
        hear(m, t, sinceReset);
        ++total;
    });

    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t argument = i + 1 < size ? data[i + 1] : 0;
        switch (data[i] % OpCount) {
        case Start:
            m.requestStarted(now);
            break;
        case Write:
            m.byteWritten(argument, now);
            ++i;
            break;
        case Receive:
            m.byteReceived(argument, now);
            ++i;
            break;
        case Wait:
            now += std::chrono::milliseconds(8 * argument);
            m.advance(now);
            ++i;
            break;
        case CloseNow:
            m.closeNow();
            break;
        case ResetHealth:
            m.resetHealth(now);
            sinceReset = Heard();
            break;
        case CloseWhenComplete:
            if (m.replyComplete())
                m.closeNow();
            break;
        case StartProbe:
            m.requestStarted(now, line::Origin::Scan, std::chrono::milliseconds(8 * argument));
            ++i;
            break;
        case PortClosed:
            m.portClosed(now);
            break;
        }
        checkAgrees(m, sinceReset, total);
    }
    return 0;
}
