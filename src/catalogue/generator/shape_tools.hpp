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
inline Table scaled(Table table, double raw_peak, double target = 0.82) {
    for (Row& row : table) {
        for (double& value : row) {
            value = (value * target) / raw_peak;
        }
    }
    return table;
}

// Scales raw rows so that their own largest magnitude becomes `target`.
inline Table normalised(Table table, double target = 0.82) {
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

// Sums the pulses at every row of a `period`-pip loop, in pulse order. The
// distance to a pulse is wrapped into [-P/2, P/2), so pulses near the end of
// the loop reach across its seam.
inline Table sum_pulses(int period, const std::vector<Pulse>& pulses) {
    const double p = period;
    const double half = p / 2.0;
    return make_table(period, [&](int k) {
        Row row{0.0, 0.0, 0.0};
        for (const Pulse& pulse : pulses) {
            double u = std::fmod((static_cast<double>(k) - pulse.centre) + half, p);
            if (u < 0.0) {
                u = u + p;
            }
            u = u - half;
            if (std::fabs(u) < pulse.half_width) {
                const double c = std::cos((pi * u) / (2.0 * pulse.half_width));
                const double e = c * c;
                for (std::size_t axis = 0; axis < 3; ++axis) {
                    row[axis] = row[axis] + pulse.vector[axis] * e;
                }
            }
        }
        return row;
    });
}

}  // namespace kinemorphs::generator
