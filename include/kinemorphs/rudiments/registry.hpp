// Every built-in pattern by name: the registry of descriptive records and the
// by-name sampler.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <kinemorphs/core/pip.hpp>
#include <kinemorphs/rudiments/pattern_info.hpp>

namespace kinemorphs {

// The fifteen defaults, then the catalogue in catalogue order. Built on
// first use, shared and never changed afterwards.
const std::vector<PatternInfo>& builtin_patterns();

// The message of an unknown name, followed directly by the name.
inline constexpr std::string_view unknown_kinemorph_message = "Unknown kinemorph: ";

// Samples the built-in pattern of exactly this name; throws
// std::invalid_argument "Unknown kinemorph: <name>" for any other name.
// Works on the constant data directly and never builds the registry.
Offset3 sample_by_name(std::string_view name, std::int32_t pip);

}  // namespace kinemorphs
