#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// What every Modbus RTU frame has in common: an address byte, a function code,
// fields high byte first, and a CRC at the end.
namespace line {

constexpr std::uint8_t BroadcastAddress = 0;
constexpr std::uint8_t ExceptionBit = 0x80; // set in the function code of an exception reply

enum FunctionCode : std::uint8_t {
    ReadCoils = 1,
    ReadDiscreteInputs = 2,
    ReadHoldingRegisters = 3,
    ReadInputRegisters = 4,
    WriteSingleCoil = 5,
    WriteSingleRegister = 6,
    WriteMultipleCoils = 15,
    WriteMultipleRegisters = 16,
};

// A look at bytes kept elsewhere.
class ByteView {
public:
    ByteView() = default;
    ByteView(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    template <typename Bytes> ByteView(const Bytes &bytes) : ByteView(bytes.data(), bytes.size()) {}

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::uint8_t operator[](std::size_t i) const { return data_[i]; }
    const std::uint8_t *begin() const { return data_; }
    const std::uint8_t *end() const { return data_ + size_; }
    // The bytes from index i on; none when i is past the end.
    ByteView from(std::size_t i) const
    {
        return i < size_ ? ByteView(data_ + i, size_ - i) : ByteView();
    }

private:
    const std::uint8_t *data_ = nullptr;
    std::size_t size_ = 0;
};

// The 16-bit field at index i, high byte first, when the frame is long enough.
inline std::optional<std::uint16_t> wordAt(ByteView frame, std::size_t i)
{
    if (i + 1 >= frame.size())
        return std::nullopt;
    return static_cast<std::uint16_t>(frame[i] << 8 | frame[i + 1]);
}

} // namespace line
