#pragma once

#include "Transaction.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace line {

// The latest transactions, oldest first, in a ring that is allocated once:
// adding one costs the same whether it is the 10th or replaces the oldest.
// Every transaction ever added has a sequence number, so a view can tell how
// many were added and dropped since it last looked: the ones kept are
// firstSequence() to nextSequence() - 1.
class Traffic {
public:
    explicit Traffic(std::size_t capacity = 100'000);

    void add(Transaction transaction);

    std::size_t size() const { return ring.size(); }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return ring.empty(); }
    // i = 0 is the oldest kept.
    const Transaction &operator[](std::size_t i) const { return ring[(oldest + i) % ring.size()]; }
    const Transaction &newest() const { return (*this)[size() - 1]; }

    std::uint64_t firstSequence() const { return next - size(); }
    std::uint64_t nextSequence() const { return next; }

private:
    std::size_t capacity_;
    std::vector<Transaction> ring;
    std::size_t oldest = 0;
    std::uint64_t next = 0;
};

} // namespace line
