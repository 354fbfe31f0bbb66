// Arbitrary byte streams, interleaved with arbitrary requests, through the
// master. The input is read as a little program: an opcode byte, then its
// arguments.
#include "MemoryLink.h"
#include "Module2.h"
#include "ReferenceCrc.h"

#include <cstddef>
#include <cstdint>

namespace {

// The fuzzer's bytes, read in turn; zeros once they run out.
struct Input {
    const std::uint8_t *data;
    std::size_t size, pos = 0;
    bool empty() const { return pos >= size; }
    std::uint8_t byte() { return pos < size ? data[pos++] : 0; }
    std::int16_t word() { return static_cast<std::int16_t>(byte() << 8 | byte()); }
};

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    MemoryLink link;
    link.keepRx = false;
    modbus::ModbusMaster master(link);
    Input in{data, size};

    // Bytes that arrive while a box is open are taken once it has closed.
    link.whileBoxOpen = [&] {
        link.queue(std::array<std::uint8_t, 3>{in.byte(), in.byte(), in.byte()});
        master.ReceiveBytes(1);
    };

    while (!in.empty()) {
        switch (in.byte() % 10) {
        case 0:
            master.ReadCoils(in.byte(), in.word(), in.word());
            break;
        case 1:
            master.ReadHoldingRegisters(in.word(), in.word(), in.word());
            break;
        case 2:
            master.WriteSingleCoil(in.word(), in.word(), in.word());
            break;
        case 3: {
            const std::uint8_t address = in.byte();
            const std::int16_t start = in.word(), quantity = in.word();
            std::vector<std::uint8_t> values(in.byte());
            for (auto &v : values)
                v = in.byte();
            master.WriteMultipleCoils(address, start, quantity, values);
            break;
        }
        case 4:
            link.open = !link.open;
            break;
        case 5: {
            // A well-formed read reply: address, function, byte count, data, CRC.
            std::vector<std::uint8_t> frame{std::uint8_t(in.byte() % 4), in.byte(), in.byte()};
            for (int i = 0; i < frame[2]; ++i)
                frame.push_back(in.byte());
            link.queue(withCrc(std::move(frame))); // gets past the framer into the decoder
            master.ReceiveBytes(static_cast<std::int16_t>(in.byte() % 4));
            break;
        }
        default: {
            const int count = in.byte();
            for (int i = 0; i < count && !in.empty(); ++i)
                link.incoming.push_back(in.byte());
            master.ReceiveBytes(static_cast<std::int16_t>(in.byte() % 4));
            break;
        }
        }
        check(master.RxState.Count >= 0 && master.RxState.Count < 260);
        check(link.maxOpenBoxes <= 1);
    }
    return 0;
}
