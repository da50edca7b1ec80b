// Building blocks for tables drawn as gestures on a musical grid: note values
// in pips, exact rational grid positions and Euclidean onsets.
#pragma once

#include <cstddef>

#include "catalogue/generator/pip_grid.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {

inline constexpr std::size_t x_axis = 0;
inline constexpr std::size_t y_axis = 1;
inline constexpr std::size_t z_axis = 2;

// The pip of step `step` when `span` pips are cut into `steps` equal steps,
// formed as one rounding of the exact fraction (step*span)/steps, so that
// triplet and other tuplet positions stay as exact as a double allows.
inline double grid_pip(int step, int span, int steps) {
    return static_cast<double>(step * span) / steps;
}

// The step of onset j when k onsets spread as evenly as possible over n
// steps, the first on step 0: ceil(j*n/k) in integer arithmetic.
inline int euclidean_step(int j, int k, int n) {
    return (j * n + k - 1) / k;
}

}  // namespace kinemorphs::generator
