// The pip timebase: integer musical positions on a grid of 64 per beat.
#pragma once

#include <cstdint>

#include <kinemorphs/core/offset3.hpp>

namespace kinemorphs {

inline constexpr std::int32_t PIPS_PER_BEAT = 64;

// Non-negative remainder of a pip by a period, in [0, period). A
// non-positive period yields 0 instead of dividing by zero. |pip % period|
// is below the period, so adding it back never overflows.
constexpr std::int32_t wrap_pip(std::int32_t pip, std::int32_t period) noexcept {
    if (period <= 0) {
        return 0;
    }
    const std::int32_t remainder = pip % period;
    return remainder < 0 ? remainder + period : remainder;
}

// The shape of every built-in pattern: a pure, total function of the pip.
using PatternFunction = Offset3 (*)(std::int32_t pip);

}  // namespace kinemorphs
