// The descriptive record of a pattern, as the listings show it.
#pragma once

#include <cstdint>
#include <string_view>

namespace kinemorphs {

struct PatternInfo {
    std::string_view name;
    std::string_view description;
    std::uint16_t period_pips;
    std::uint8_t dimensions;
};

}  // namespace kinemorphs
