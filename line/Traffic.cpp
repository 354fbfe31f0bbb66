#include "Traffic.h"

#include <algorithm>
#include <utility>

namespace line {

Traffic::Traffic(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1))
{
    slots.reserve(capacity_);
}

void Traffic::add(Transaction transaction)
{
    if (slots.size() < capacity_) {
        slots.push_back(std::move(transaction));
    } else {
        slots[oldest] = std::move(transaction);
        oldest = (oldest + 1) % capacity_;
    }
    ++next;
}

} // namespace line
