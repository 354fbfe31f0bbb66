#pragma once

#include "Rtu.h"
#include "Transaction.h"

#include <string>

// Replies from a gateway that speaks Modbus TCP rather than passing RTU bytes
// through: behind a serial device server line every such reply is garbled.
namespace line {

// What the status tooltip and the monitor say when replies look like that.
inline constexpr const char *ModbusTcpWords = "This server speaks Modbus TCP, not RTU over TCP";

// Whether the bytes are one or more whole Modbus TCP frames.
bool looksLikeMbap(ByteView bytes);

// ModbusTcpWords when the transaction's reply looks like that, else nothing:
// what the status tooltip and the monitor add to its verdict.
std::string protocolWords(const Transaction &t);

} // namespace line
