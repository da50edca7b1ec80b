// Note values on the pip grid, in whole pips. Catalogue bars hold four beats.
#pragma once

#include "core/pip.hpp"

namespace kinemorphs::generator {

inline constexpr int beat_pips = PIPS_PER_BEAT;
inline constexpr int eighth_pips = beat_pips / 2;
inline constexpr int sixteenth_pips = beat_pips / 4;
inline constexpr int bar_pips = 4 * beat_pips;

}  // namespace kinemorphs::generator
