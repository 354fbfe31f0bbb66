#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

// Bytes on the line as the tables write them: upper-case hex, one space between bytes.
using Bytes = std::vector<std::uint8_t>;

// "01 0F" -> {0x01, 0x0F}
inline Bytes bytesOf(const std::string &hex)
{
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 3)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline Bytes joined(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// How the echo boxes show bytes: "[01][03]".
inline std::string echoOf(const Bytes &bytes)
{
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char box[8];
        std::snprintf(box, sizeof box, "[%02X]", unsigned(byte));
        text += box;
    }
    return text;
}
