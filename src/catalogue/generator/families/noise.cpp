// The `noise` family: closed paths through pseudo-random control points. The
// points come from SHA-256 digests of texts naming the record and the point
// ("noise_drift_5/3" is point 3 of noise_drift_5), so every table is exactly
// reproducible and needs no random state. The number ending a name is its
// number of control points; they are spread evenly over the 16-beat loop and
// joined by a periodic Catmull-Rom curve. Each lane is then fitted to the
// field: x and y to -standard_reach ... standard_reach, depth to -0.516 ... 0.464.
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"
#include "catalogue/generator/keyframe_loop.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/seeded_values.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 1024;
constexpr Extent field{-standard_reach, standard_reach};
constexpr Extent depth_field{-0.516, 0.464};

enum class Kind { drift, orbit, ripple, depth };

double key_time(int index, int count) {
    return (static_cast<double>(index) * period) / count;
}

// Control point `index` of `name`, by kind:
//   drift   x and y anywhere in the square;
//   orbit   once round the centre, each point's angle jittered by up to a
//           third of the spacing and its radius between 0.45 and 1;
//   depth   x, y and z anywhere in the cube.
Row control_point(const std::string& name, Kind kind, int index, int count) {
    const std::string text = control_point_text(name, index);
    if (kind == Kind::orbit) {
        const double angle = (two_pi * (index + seeded_value(text, 0) / 3.0)) / count;
        const double radius = 0.725 + 0.275 * seeded_value(text, 1);
        return {radius * std::cos(angle), radius * std::sin(angle), 0.0};
    }
    return {seeded_value(text, 0), seeded_value(text, 1), kind == Kind::depth ? seeded_value(text, 2) : 0.0};
}

// A ring whose radius ripples once per control point: each point is a crest
// pushed out by a seeded depth between 0.08 and 0.3, with a trough as deep
// half-way to the next, so the ring shows as many ripples as it has points.
Table ripple_ring(const std::string& name, int count) {
    std::vector<LaneKey> radius_keys;
    const double spacing = key_time(1, count);
    for (int i = 0; i < count; ++i) {
        const double depth = 0.19 + 0.11 * seeded_value(control_point_text(name, i), 0);
        radius_keys.push_back({key_time(i, count), 1.0 + depth, Passage::flowing});
        radius_keys.push_back({key_time(i, count) + spacing / 2.0, 1.0 - depth, Passage::flowing});
    }
    const std::vector<double> radius = keyed_lane(period, radius_keys);
    return make_table(period, [&](int k) {
        const double angle = cycle_angle(k, period);
        const double r = radius[static_cast<std::size_t>(k)];
        return Row{r * std::cos(angle), r * std::sin(angle), 0.0};
    });
}

Table noise_table(const std::string& name, Kind kind, int count) {
    Table traced;
    if (kind == Kind::ripple) {
        traced = ripple_ring(name, count);
    } else {
        std::vector<Key> keys;
        for (int i = 0; i < count; ++i) {
            keys.push_back({key_time(i, count), control_point(name, kind, i, count), Passage::flowing});
        }
        traced = keyed_loop(period, keys);
    }
    Table fitted = lane_fitted(lane_fitted(traced, x_axis, field), y_axis, field);
    return kind == Kind::depth ? lane_fitted(fitted, z_axis, depth_field) : fitted;
}

}  // namespace

void add_noise_tables(TableSet& set) {
    const struct {
        const char* stem;
        const char* description;
        Kind kind;
        int counts[4];
    } groups[] = {
        {"noise_drift_",
         "Indexed SHA-256 control points in a closed drift path. No mutable random state.",
         Kind::drift, {5, 7, 9, 11}},
        {"noise_orbit_",
         "Indexed SHA-256 control points in a closed orbit path. No mutable random state.",
         Kind::orbit, {6, 8, 10, 12}},
        {"noise_ripple_",
         "Indexed SHA-256 control points in a closed ripple path. No mutable random state.",
         Kind::ripple, {5, 7, 9, 11}},
        {"noise_depth_",
         "Indexed SHA-256 control points in a closed depth path. No mutable random state.",
         Kind::depth, {6, 8, 10, 12}},
    };
    for (const auto& group : groups) {
        for (const int count : group.counts) {
            const std::string name = group.stem + std::to_string(count);
            set.add(name, group.description, noise_table(name, group.kind, count));
        }
    }
}

}  // namespace kinemorphs::generator
