#include "Traffic.h"

#include <algorithm>
#include <utility>

namespace line {

Traffic::Traffic(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1))
{
    ring.reserve(capacity_);
}

void Traffic::add(Transaction transaction)
{
    if (ring.size() < capacity_) {
        ring.push_back(std::move(transaction));
    } else {
        ring[oldest] = std::move(transaction);
        oldest = (oldest + 1) % capacity_;
    }
    ++next;
}

} // namespace line
