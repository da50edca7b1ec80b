// Per-lane scaling of authored tables, so that a lane's extremes land on
// chosen values without changing where the shape turns.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>

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

// Which extreme of a lane a scale pins: its largest magnitude, its lowest
// value or its highest value.
enum class Side { magnitude, low, high };

struct LanePin {
    Side side;
    double value;  // where that extreme lands (negative for `low`)
};

// Scales one lane, keeping zero in place, so that the chosen extreme lands
// on the pinned value.
inline Table lane_pinned(Table table, std::size_t axis, LanePin pin) {
    const Extent extent = lane_extent(table, axis);
    const double raw = pin.side == Side::low    ? extent.low
                       : pin.side == Side::high ? extent.high
                                                : std::max(-extent.low, extent.high);
    return lane_scaled(std::move(table), axis, raw, pin.value);
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
