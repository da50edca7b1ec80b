// Building blocks for tables drawn as gestures on a musical grid: note values
// in pips, exact rational grid positions, Euclidean onsets, and per-axis
// scaling that lands a table's extremes on chosen values.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {

inline constexpr int beat_pips = 64;
inline constexpr int eighth_pips = 32;
inline constexpr int sixteenth_pips = 16;

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

// The signed distance from `centre` to pip k on a loop of `period` pips,
// wrapped into [-period/2, period/2) as sum_pulses does, so that shapes near
// the end of the loop reach across its seam.
inline double wrapped_offset(int k, double centre, int period) {
    const double p = period;
    const double half = p / 2.0;
    double u = std::fmod((static_cast<double>(k) - centre) + half, p);
    if (u < 0.0) {
        u = u + p;
    }
    return u - half;
}

// The cos^2 bump of sum_pulses as a weight: 1 at u = 0, 0 from |u| = half_width.
inline double bump_weight(double u, double half_width) {
    if (std::fabs(u) >= half_width) {
        return 0.0;
    }
    const double c = std::cos((pi * u) / (2.0 * half_width));
    return c * c;
}

// The lowest and the highest value of one axis over all rows.
struct AxisSpan {
    double low;
    double high;
};

inline AxisSpan axis_span(const Table& table, std::size_t axis) {
    AxisSpan span{0.0, 0.0};
    bool first = true;
    for (const Row& row : table) {
        span.low = first ? row[axis] : std::min(span.low, row[axis]);
        span.high = first ? row[axis] : std::max(span.high, row[axis]);
        first = false;
    }
    return span;
}

// Scales one axis so that its extreme on the side of `target`'s sign lands on
// `target`: stored = (raw * target) / raw_extreme. The other axes are kept.
inline Table axis_fitted(Table table, std::size_t axis, double target) {
    const AxisSpan span = axis_span(table, axis);
    const double raw_extreme = target < 0.0 ? span.low : span.high;
    for (Row& row : table) {
        row[axis] = (row[axis] * target) / raw_extreme;
    }
    return table;
}

// Scales one axis so that its largest magnitude becomes `target`.
inline Table axis_normalised(Table table, std::size_t axis, double target) {
    const AxisSpan span = axis_span(table, axis);
    const double raw_peak = std::max(std::fabs(span.low), std::fabs(span.high));
    for (Row& row : table) {
        row[axis] = (row[axis] * target) / raw_peak;
    }
    return table;
}

// The sum of two tables of equal period, row by row.
inline Table summed(Table first, const Table& second) {
    for (std::size_t k = 0; k < first.size(); ++k) {
        for (std::size_t axis = 0; axis < 3; ++axis) {
            first[k][axis] = first[k][axis] + second[k][axis];
        }
    }
    return first;
}

}  // namespace kinemorphs::generator
