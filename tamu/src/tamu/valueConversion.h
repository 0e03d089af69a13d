#pragma once

#include <cmath>
#include <concepts>
#include <cstdint>
#include <limits>

namespace tamu {

// Number conversions of the value list's getters: integers narrow by cutting the high bits,
// floating point becomes integer by truncation toward zero and saturates at the ends of the
// range (NaN gives 0) instead of running into undefined behaviour.
template <class Result, class Value>
Result convertNumber(Value value) {
    if constexpr (std::integral<Result> && std::floating_point<Value>) {
        if (std::isnan(value))
            return 0;
        // Both limits are powers of two, exact as doubles.
        constexpr double low = static_cast<double>(std::numeric_limits<Result>::min());
        constexpr double high = -low;
        if (static_cast<double>(value) >= high)
            return std::numeric_limits<Result>::max();
        if (static_cast<double>(value) < low)
            return std::numeric_limits<Result>::min();
        return static_cast<Result>(value);
    } else {
        return static_cast<Result>(value);
    }
}

} // namespace tamu
