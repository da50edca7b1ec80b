// Per-lane scaling of authored tables, so that a lane's extremes land on
// chosen values without changing where the shape turns.
#pragma once

#include <algorithm>
#include <cstddef>

#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {

// The lowest and highest value of one lane.
struct Extent {
    double low;
    double high;
};

inline Extent lane_extent(const Table& table, std::size_t axis) {
    Extent extent{table.front()[axis], table.front()[axis]};
    for (const Row& row : table) {
        extent.low = std::min(extent.low, row[axis]);
        extent.high = std::max(extent.high, row[axis]);
    }
    return extent;
}

// Scales one lane so that the raw value `raw` maps to `target`:
// stored = (value * target) / raw. Zero stays zero.
inline Table lane_scaled(Table table, std::size_t axis, double raw, double target) {
    for (Row& row : table) {
        row[axis] = (row[axis] * target) / raw;
    }
    return table;
}

// Maps one lane's own extent onto `target` by a scale and an offset, so
// that both ends land exactly.
inline Table lane_fitted(Table table, std::size_t axis, Extent target) {
    const Extent raw = lane_extent(table, axis);
    const double raw_span = raw.high - raw.low;
    const double target_span = target.high - target.low;
    for (Row& row : table) {
        row[axis] = target.low + ((row[axis] - raw.low) * target_span) / raw_span;
    }
    return table;
}

}  // namespace kinemorphs::generator
