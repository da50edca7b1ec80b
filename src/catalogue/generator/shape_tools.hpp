// Building blocks shared by the family units. Every formula keeps its
// operation grouping explicit, since the grouping decides the stored bits.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "catalogue/generator/table_set.hpp"

namespace kinemorphs::generator {

inline constexpr double pi = 3.141592653589793;
inline constexpr double two_pi = 6.283185307179586;

// The largest excursion of most tables: a full-sized gesture that leaves
// headroom below 1 for the few tables meant to reach further.
inline constexpr double standard_reach = 0.82;

// A table of `period` rows, row k given by `row_at(k)`.
template <class RowAt>
Table make_table(int period, RowAt row_at) {
    Table table;
    table.reserve(static_cast<std::size_t>(period));
    for (int k = 0; k < period; ++k) {
        table.push_back(row_at(k));
    }
    return table;
}

// The largest component magnitude over all rows.
inline double peak_magnitude(const Table& table) {
    double peak = 0.0;
    for (const Row& row : table) {
        for (const double value : row) {
            peak = std::max(peak, std::fabs(value));
        }
    }
    return peak;
}

// Scales raw rows so that the magnitude `raw_peak` maps to `target`:
// stored = (raw * target) / raw_peak.
inline Table scaled(Table table, double raw_peak, double target = standard_reach) {
    for (Row& row : table) {
        for (double& value : row) {
            value = (value * target) / raw_peak;
        }
    }
    return table;
}

// Scales raw rows so that their own largest magnitude becomes `target`.
inline Table normalised(Table table, double target = standard_reach) {
    const double raw_peak = peak_magnitude(table);
    return scaled(std::move(table), raw_peak, target);
}

// A smooth bump on a periodic timeline: centred at `centre` pips, of
// half-width `half_width`, adding `vector` times cos^2 of the distance.
struct Pulse {
    double centre;
    double half_width;
    Row vector;
};

// The signed distance from `centre` to pip k on a loop of `period` pips,
// wrapped into [-period/2, period/2), so that shapes near the end of the
// loop reach across its seam.
inline double wrapped_offset(int k, double centre, int period) {
    const double p = period;
    const double half = p / 2.0;
    double u = std::fmod((static_cast<double>(k) - centre) + half, p);
    if (u < 0.0) {
        u = u + p;
    }
    return u - half;
}

// The cos^2 bump of a pulse as a weight: 1 at u = 0, 0 from |u| = half_width.
inline double bump_weight(double u, double half_width) {
    if (std::fabs(u) >= half_width) {
        return 0.0;
    }
    const double c = std::cos((pi * u) / (2.0 * half_width));
    return c * c;
}

// Sums the pulses at every row of a `period`-pip loop, in pulse order, each
// at its wrapped distance from the row.
inline Table sum_pulses(int period, const std::vector<Pulse>& pulses) {
    return make_table(period, [&](int k) {
        Row row{0.0, 0.0, 0.0};
        for (const Pulse& pulse : pulses) {
            const double u = wrapped_offset(k, pulse.centre, period);
            if (std::fabs(u) < pulse.half_width) {
                const double e = bump_weight(u, pulse.half_width);
                for (std::size_t axis = 0; axis < 3; ++axis) {
                    row[axis] = row[axis] + pulse.vector[axis] * e;
                }
            }
        }
        return row;
    });
}

}  // namespace kinemorphs::generator
