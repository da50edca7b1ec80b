// The bounds every catalogue record keeps; generate_catalogue checks each
// table and record against them and stops the build on any breach.
#pragma once

#include <cstddef>

namespace kinemorphs::generator {

// The largest change of any axis from one pip to the next, the seam from the
// last row back to row 0 included.
inline constexpr double max_neighbour_step = 0.267675695703;

// A table's period, its row count, in pips.
inline constexpr std::size_t shortest_period = 160;
inline constexpr std::size_t longest_period = 1024;

// Record names (lower-case letters, digits and underscores) and descriptions,
// in bytes.
inline constexpr std::size_t shortest_name = 8;
inline constexpr std::size_t longest_name = 32;
inline constexpr std::size_t shortest_description = 43;
inline constexpr std::size_t longest_description = 235;

}  // namespace kinemorphs::generator
