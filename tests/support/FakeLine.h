#pragma once

#include "Exchange.h"
#include "FakeModule.h"
#include "MemoryLink.h"
#include "Module2.h"
#include "ToolRequest.h"

#include <vector>

// A module on a line in memory: the master's own builders put a request on it, a real line
// monitor cuts and judges the exchange, and time passes only as the bytes do.
struct FakeLine {
    explicit FakeLine(line::WallClock wallClock) : monitor(1000, std::move(wallClock))
    {
        master.BuildCrcTables();
    }

    // Sends as a driver would: waits for the whole reply or until replyWait has passed.
    line::Transaction send(const line::ToolRequest &r, std::chrono::milliseconds replyWait)
    {
        using Kind = line::ToolRequest::Kind;
        link.written.clear();
        switch (r.kind) {
        case Kind::ReadCoils:
            master.ReadCoils(r.address, std::int16_t(r.start), std::int16_t(r.quantity));
            break;
        case Kind::ReadHoldingRegisters:
            master.ReadHoldingRegisters(r.address, std::int16_t(r.start), std::int16_t(r.quantity));
            break;
        case Kind::WriteSingleCoil:
            master.WriteSingleCoil(r.address, std::int16_t(r.relay), r.on ? 1 : 0);
            break;
        case Kind::WriteMultipleCoils:
            if (r.address == 0) {
                master.WriteMultipleCoils(r.address, 0, std::int16_t(r.quantity),
                                          std::vector<std::uint8_t>(r.quantity, r.on ? 1 : 0));
            } else { // as the arbiter sends it
                const auto frame = line::addressedCoilsFrame(r);
                link.written.assign(frame.begin(), frame.end());
            }
            break;
        }
        const Bytes request(link.written.begin(), link.written.end());
        const Bytes answer = module.answer(request);
        // A Modbus TCP gateway where a serial device server was meant: the module still obeys.
        const Bytes reply = gateway ? Bytes{0, 1, 0, 0, 0, 4, 1, 1, 1, 0x85} : answer;
        const line::Time sent = exchange(monitor, now, request, reply);
        now = sent + Turnaround + std::int64_t(reply.size()) * ByteTime;
        if (!monitor.replyComplete())
            now = std::max(now, sent + replyWait);
        monitor.closeNow();
        return monitor.traffic().newest();
    }

    FakeModule module;
    bool gateway = false; // every reply in Modbus TCP framing
    MemoryLink link;
    modbus::ModbusMaster master{link};
    line::LineMonitor monitor;
    line::Time now = line::Time() + std::chrono::hours(1);
};
