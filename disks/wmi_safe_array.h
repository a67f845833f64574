#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "disks/wmi_result_codes.h"

namespace Wmi {

// A one-dimensional array as COM hands it over: indexes run from a lower bound
// to an upper bound, both included, and a single element can fail to be read.
template <typename T>
class SafeArray {
public:
    SafeArray() = default;
    explicit SafeArray(std::vector<T> elements, std::int32_t lowerBound = 0)
        : lowerBound_(lowerBound) {
        for (T& element : elements) {
            Append(std::move(element));
        }
    }

    void Append(T value) { slots_.push_back(Slot{std::move(value), kSOk}); }
    // An element whose reading fails with failure.
    void AppendUnreadable(HResult failure) { slots_.push_back(Slot{T{}, failure}); }

    std::int64_t LowerBound() const { return lowerBound_; }
    // Below the lower bound when the array is empty.
    std::int64_t UpperBound() const {
        return lowerBound_ + static_cast<std::int64_t>(slots_.size()) - 1;
    }

    // The element at index, or the failure of reading it; DISP_E_BADINDEX
    // outside the bounds.
    HResult GetElement(std::int64_t index, T& out) const {
        if (index < LowerBound() || index > UpperBound()) {
            return kDispEBadIndex;
        }
        const Slot& slot = slots_[static_cast<std::size_t>(index - lowerBound_)];
        if (Failed(slot.failure)) {
            return slot.failure;
        }
        out = slot.value;
        return kSOk;
    }

private:
    struct Slot {
        T value;
        HResult failure;
    };

    std::int32_t lowerBound_ = 0;
    std::vector<Slot> slots_;
};

}  // namespace Wmi
