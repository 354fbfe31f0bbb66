#pragma once

#include "Bytes.h"
#include "ReferenceCrc.h"

#include <array>

// An RZM-530 as the line sees it: relays 1-8 are coils 0-7, holding registers 4-6 the
// analog inputs, 7-10 the digital inputs. It answers at its own address, obeys broadcasts
// in silence and ignores frames with a bad CRC.
class FakeModule {
public:
    std::uint8_t address = 1;
    std::array<bool, 8> coils{};
    std::array<std::uint16_t, 11> registers{};
    bool silent = false;                // nothing there at all
    int stuckRelay = 0;                 // writes to it are echoed but change nothing
    int invertedRelay = 0;              // switches, but reads back the other way
    std::array<int, 2> shortedInputs{}; // digital inputs: either on, both read on
    std::array<int, 2> analogFollows{}; // analog input [1] reads what [0] does

    Bytes answer(const Bytes &request)
    {
        if (silent || request.size() < 8 || !crcGood(request))
            return {};
        const std::uint8_t to = request[0];
        if (to != address && to != 0)
            return {};
        const int start = word(request, 2);
        const int second = word(request, 4); // quantity, or a single coil's value
        Bytes reply{address, request[1]};
        switch (request[1]) {
        case 1: // Read Coils
            reply.push_back(std::uint8_t((second + 7) / 8));
            for (int i = 0; i < (second + 7) / 8; ++i) {
                std::uint8_t bits = 0;
                for (int k = 0; k < 8; ++k)
                    bits |= std::uint8_t(coil(start + 8 * i + k) << k);
                reply.push_back(bits);
            }
            break;
        case 3: // Read Holding Registers
            reply.push_back(std::uint8_t(2 * second));
            for (int k = start; k < start + second; ++k) {
                const std::uint16_t value = k < int(registers.size()) ? seen(k) : 0;
                reply.insert(reply.end(), {std::uint8_t(value >> 8), std::uint8_t(value)});
            }
            break;
        case 5: // Write Single Coil: echoed
            setCoil(start, second == 0xFF00);
            reply.assign(request.begin(), request.end() - 2);
            break;
        case 15: // Write Multiple Coils: start and quantity echoed
            for (int k = 0; k < second; ++k)
                setCoil(start + k, request[std::size_t(7 + k / 8)] >> (k % 8) & 1);
            reply.insert(reply.end(), request.begin() + 2, request.begin() + 6);
            break;
        default:
            return {};
        }
        return to == 0 ? Bytes() : withCrc(reply);
    }

private:
    static int word(const Bytes &frame, std::size_t i) { return frame[i] << 8 | frame[i + 1]; }
    static bool crcGood(const Bytes &frame)
    {
        const Bytes body(frame.begin(), frame.end() - 2);
        return withCrc(body) == frame;
    }
    bool coil(int k) const
    {
        return k < int(coils.size()) && coils[std::size_t(k)] != (k + 1 == invertedRelay);
    }
    // Register k as the line reads it: 4-6 analog inputs 1-3, 7-10 digital inputs 1-4.
    std::uint16_t seen(int k) const
    {
        const auto reg = [&](int r) { return registers[std::size_t(r)]; };
        const auto [a, b] = analogFollows;
        if (a != 0 && k == 3 + b)
            return reg(3 + a);
        const auto [c, d] = shortedInputs;
        if (c != 0 && (k == 6 + c || k == 6 + d))
            return reg(6 + c) != 0 || reg(6 + d) != 0;
        return reg(k);
    }
    void setCoil(int k, bool on)
    {
        if (k < int(coils.size()) && k + 1 != stuckRelay)
            coils[std::size_t(k)] = on;
    }
};
