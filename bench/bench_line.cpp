// Transactions per second through the line monitor, fed byte by byte as the
// port's tap feeds it during a poll, and the memory that a full ring of
// 100,000 such transactions takes.
#include "LineMonitor.h"
#include "ReferenceCrc.h"
#include "TrafficCsv.h"
#include "Words.h"

#include <benchmark/benchmark.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

using namespace std::chrono_literals;
using Frame = std::vector<std::uint8_t>;

struct Exchange {
    Frame request, reply;
};

// The poll: coils 0-7 and holding registers 0-10, now and then a relay switched.
std::vector<Exchange> pollConversation()
{
    Frame registers{1, 3, 22};
    for (int k = 0; k < 22; ++k)
        registers.push_back(std::uint8_t(k * 37));
    const Frame writeCoil = withCrc({1, 5, 0, 2, 0xFF, 0});
    return {{withCrc({1, 1, 0, 0, 0, 8}), withCrc({1, 1, 1, 0xA5})},
            {withCrc({1, 3, 0, 0, 0, 11}), withCrc(registers)},
            {withCrc({1, 1, 0, 0, 0, 8}), withCrc({1, 1, 1, 0x5A})},
            {withCrc({1, 3, 0, 0, 0, 11}), withCrc(registers)},
            {writeCoil, writeCoil}};
}

// One transaction: ended by the next request, as in a poll.
void feed(line::LineMonitor &m, line::Time &t, const Exchange &e)
{
    m.requestStarted(t);
    for (auto byte : e.request)
        m.byteWritten(byte, t += 1040us);
    t += 20ms;
    for (auto byte : e.reply)
        m.byteReceived(byte, t += 1040us);
}

void BM_PollTransactions(benchmark::State &state)
{
    const auto conversation = pollConversation();
    line::LineMonitor m;
    std::size_t words = 0;
    if (state.range(0) != 0) // what the status text and the CSV log ask of each one
        m.setListener([&](const line::Transaction &tr) {
            words += line::statusText(tr).size() + line::trafficCsvRow(tr, m.wallClock()).size();
        });
    line::Time t{};
    std::size_t i = 0;
    for (auto _ : state) {
        feed(m, t, conversation[i]);
        i = (i + 1) % conversation.size();
    }
    benchmark::DoNotOptimize(words);
    state.SetItemsProcessed(state.iterations());
}

std::size_t heapInUse()
{
#if defined(__GLIBC__)
    return mallinfo2().uordblks;
#else
    return 0;
#endif
}

void BM_MemoryOf100kTransactions(benchmark::State &state)
{
    const auto conversation = pollConversation();
    constexpr std::size_t Count = 100'000;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        {
            line::LineMonitor m(Count);
            line::Time t{};
            for (std::size_t i = 0; i <= Count; ++i) // the last is ended by the close below
                feed(m, t, conversation[i % conversation.size()]);
            m.closeNow();
            const double bytes = double(heapInUse() - before);
            state.counters["MB"] = bytes / 1e6;
            state.counters["bytes_each"] = bytes / double(m.traffic().size());
        }
    }
}

} // namespace

// Argument: 1 also makes the status text and the CSV row of each transaction.
BENCHMARK(BM_PollTransactions)->Arg(0)->Arg(1);
BENCHMARK(BM_MemoryOf100kTransactions)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
