// Closed loops through timed keys: a periodic cubic Hermite curve whose
// tangents come from the neighbouring keys, so keys may sit at unequal times.
#pragma once

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <vector>

#include "catalogue/generator/shape_tools.hpp"
#include "core/pip.hpp"

namespace kinemorphs::generator {

// How the curve passes a key: `flowing` keeps the velocity implied by the
// neighbouring keys (a Catmull-Rom tangent over unequal times); `resting`
// comes to a stop there, so the segments on both sides ease out and in.
enum class Passage { flowing, resting };

// Key times are written in beats and stored in pips.
inline constexpr double beats(double count) { return count * PIPS_PER_BEAT; }

// One key of a single lane.
struct LaneKey {
    double time;  // pips from the loop start; keys ascend within [0, period)
    double value;
    Passage passage = Passage::flowing;
};

// One key of a three-lane path.
struct Key {
    double time;
    Row point;
    Passage passage = Passage::flowing;
};

// Samples the closed lane through `keys` at every pip of a `period`-pip loop.
// The last key joins the first across the loop seam.
inline std::vector<double> keyed_lane(int period, const std::vector<LaneKey>& keys) {
    const std::size_t n = keys.size();
    if (n < 2) {
        throw std::logic_error("a keyed lane needs at least two keys");
    }
    const double p = period;
    for (std::size_t i = 0; i < n; ++i) {
        if (keys[i].time < 0.0 || keys[i].time >= p || (i > 0 && keys[i].time <= keys[i - 1].time)) {
            throw std::logic_error("keys must ascend strictly within one period");
        }
    }
    // Time of key i, where i may run past either end of the keys: each lap
    // across the loop seam moves the time by one period.
    const auto time_at = [&](std::ptrdiff_t i) {
        const auto count = static_cast<std::ptrdiff_t>(n);
        const std::ptrdiff_t wrapped = ((i % count) + count) % count;
        const double laps = static_cast<double>((i - wrapped) / count);
        return keys[static_cast<std::size_t>(wrapped)].time + laps * p;
    };
    const auto value_at = [&](std::ptrdiff_t i) {
        const auto count = static_cast<std::ptrdiff_t>(n);
        return keys[static_cast<std::size_t>(((i % count) + count) % count)].value;
    };
    std::vector<double> slopes(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        if (keys[i].passage == Passage::flowing) {
            const auto j = static_cast<std::ptrdiff_t>(i);
            slopes[i] = (value_at(j + 1) - value_at(j - 1)) / (time_at(j + 1) - time_at(j - 1));
        }
    }
    std::vector<double> lane;
    lane.reserve(static_cast<std::size_t>(period));
    for (int k = 0; k < period; ++k) {
        // Pips before the first key belong to the segment across the seam.
        const double t = k < keys[0].time ? k + p : k;
        const auto after = std::upper_bound(keys.begin(), keys.end(), t,
                                            [](double time, const LaneKey& key) { return time < key.time; });
        const auto segment = static_cast<std::size_t>((after - keys.begin()) - 1);
        const auto i = static_cast<std::ptrdiff_t>(segment);
        const double start = time_at(i);
        const double span = time_at(i + 1) - start;
        const double s = (t - start) / span;
        const double s2 = s * s;
        const double s3 = s2 * s;
        const double h00 = (2.0 * s3 - 3.0 * s2) + 1.0;
        const double h10 = (s3 - 2.0 * s2) + s;
        const double h01 = 3.0 * s2 - 2.0 * s3;
        const double h11 = s3 - s2;
        const std::size_t next = (segment + 1) % n;
        lane.push_back(((h00 * value_at(i) + (h10 * span) * slopes[segment]) + h01 * value_at(i + 1)) +
                       (h11 * span) * slopes[next]);
    }
    return lane;
}

// Samples the closed path through `keys`, lane by lane, at every pip.
inline Table keyed_loop(int period, const std::vector<Key>& keys) {
    Table table(static_cast<std::size_t>(period), Row{0.0, 0.0, 0.0});
    for (std::size_t axis = 0; axis < 3; ++axis) {
        std::vector<LaneKey> lane_keys;
        lane_keys.reserve(keys.size());
        for (const Key& key : keys) {
            lane_keys.push_back({key.time, key.point[axis], key.passage});
        }
        const std::vector<double> lane = keyed_lane(period, lane_keys);
        for (std::size_t k = 0; k < table.size(); ++k) {
            table[k][axis] = lane[k];
        }
    }
    return table;
}

}  // namespace kinemorphs::generator
