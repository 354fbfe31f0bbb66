// Bytes per second through ReceiveBytes: a poll conversation's replies, queued
// on the in-memory port and drained as the receive event does.
#include "MemoryLink.h"
#include "Module2.h"
#include "ReferenceCrc.h"

#include <benchmark/benchmark.h>

namespace {

void receive(benchmark::State &state, const std::vector<std::uint8_t> &reply, bool coils, bool echo)
{
    MemoryLink link;
    link.keepRx = echo;
    modbus::ModbusMaster master(link);
    coils ? master.ReadCoils(1, 0, 8) : master.ReadHoldingRegisters(1, 0, 11);
    constexpr int FramesPerBatch = 256;
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (int i = 0; i < FramesPerBatch; ++i)
            link.queue(reply);
        master.ReceiveBytes(1);
        bytes += reply.size() * FramesPerBatch;
        link.rx.clear();
    }
    state.SetBytesProcessed(std::int64_t(bytes));
}

void BM_CoilReplies(benchmark::State &state)
{
    receive(state, withCrc({1, 1, 1, 0xA5}), true, state.range(0) != 0);
}

void BM_RegisterReplies(benchmark::State &state)
{
    std::vector<std::uint8_t> frame{1, 3, 22};
    for (int k = 0; k < 22; ++k)
        frame.push_back(std::uint8_t(k * 37));
    receive(state, withCrc(frame), false, state.range(0) != 0);
}

void BM_Noise(benchmark::State &state)
{
    std::vector<std::uint8_t> noise(64);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = std::uint8_t(0x10 + i % 200); // never the address
    receive(state, noise, true, state.range(0) != 0);
}

} // namespace

// Argument: 1 keeps the hex echo text, 0 discards it.
BENCHMARK(BM_CoilReplies)->Arg(0)->Arg(1);
BENCHMARK(BM_RegisterReplies)->Arg(0)->Arg(1);
BENCHMARK(BM_Noise)->Arg(0)->Arg(1);

BENCHMARK_MAIN();
